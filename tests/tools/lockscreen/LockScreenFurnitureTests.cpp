// The lock screen's pieces in the tools' pictures: drawn where the one layout puts them and
// nowhere else, beneath the extension's animation but for the status bar above everything,
// dimmed with the screen, and left out of a bare picture.
#include "platform/display/Compositor.h"
#include "sequences/SequenceDirectory.h"
#include "settings/Settings.h"
#include "sim/ExtensionLoader.h"
#include "sim/SimulatedHost.h"
#include "tests/support/FrameImages.h"
#include "tests/support/TemporaryDeviceRoot.h"
#include "tools/lockscreen/LockScreenLayout.h"
#include "tools/lockscreen/LockScreenPicture.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace velorin::tools {
namespace {

using platform::CGRect;

// A host on a device root whose one sequence, "block", shows opaque frames of one colour at
// the rectangle `options` place it in.
class FurnitureHost {
public:
    FurnitureHost(platform::CGSize screen, const std::string& options) {
        std::string folder = std::string(sequenceRoot) + "block/";
        for (int frame = 1; frame <= 4; ++frame)
            root.writeFile(folder + "frame" + std::to_string(frame) + ".png",
                           testing::solidPng(8, 8, 10, 200, 30));
        root.writeFile(folder + "options.json", options);
        sim::HostSetup setup;
        setup.screen = screen;
        setup.preferences = {
            {enabledPreferenceKey, platform::PropertyValue::boolean(true)},
            {sequenceNamePreferenceKey, platform::PropertyValue::string("block")},
        };
        auto started = sim::SimulatedHost::start(
            setup, sim::HostEnvironment{root.path().string(), sim::defaultExtensionLibrary()});
        if (!started)
            throw std::runtime_error(started.fault().text());
        host = std::move(started).value();
        if (!host->launch())
            throw std::runtime_error("the extension did not load");
        host->lock();
    }

    testing::TemporaryDeviceRoot root;
    std::unique_ptr<sim::SimulatedHost> host;
};

constexpr std::uint8_t blockColor[3]{10, 200, 30};

bool isBlock(const std::uint8_t* pixel) {
    return pixel[0] == blockColor[0] && pixel[1] == blockColor[1] && pixel[2] == blockColor[2];
}

bool samePixel(const FramePixels& first, const FramePixels& second, std::uint32_t x,
               std::uint32_t y) {
    return std::equal(first.pixelAt(x, y), first.pixelAt(x, y) + 4, second.pixelAt(x, y));
}

// Whether a pixel lies within a rectangle in points, widened by a pixel for anti-aliasing.
bool within(const CGRect& rect, std::uint32_t x, std::uint32_t y, double scale) {
    return x + 1 >= rect.minX() * scale && x <= rect.maxX() * scale + 1 &&
           y + 1 >= rect.minY() * scale && y <= rect.maxY() * scale + 1;
}

TEST(LockScreenFurnitureTest, TheAnimationCoversThePageAndTheStatusBarLiesAboveIt) {
    // An animation over the whole screen hides the clock, the date, the buttons and the home
    // indicator; only the status bar's time and battery show above it.
    FurnitureHost device({390, 844}, R"({"x": 0, "y": 0, "width": 390, "height": 844})");
    device.host->plug();
    double scale = 1;
    LockScreenPicture camera(*device.host, scale);
    device.host->advanceTo(1'000'000'000);
    auto picture = camera.takeNow(*device.host);
    ASSERT_TRUE(picture);
    LockScreenLayout layout = layOutLockScreen({390, 844});
    std::size_t statusBarPieces = 0;
    for (std::uint32_t y = 0; y < picture->height; ++y) {
        for (std::uint32_t x = 0; x < picture->width; ++x) {
            bool inStatusBar = y < layout.statusBar.maxY() * scale;
            if (!inStatusBar)
                ASSERT_TRUE(isBlock(picture->pixelAt(x, y))) << x << "," << y;
            else if (!isBlock(picture->pixelAt(x, y)))
                ++statusBarPieces;
        }
    }
    EXPECT_GT(statusBarPieces, 50u) << "the status bar is hidden beneath the animation";
}

TEST(LockScreenFurnitureTest, EachPieceIsDrawnInsideItsPlaceAndNowhereElse) {
    // Off the charger no animation shows: every pixel that differs from the bare wallpaper lies
    // in a piece's rectangle, and every piece draws something, on three phones' screens.
    for (platform::CGSize screen : {platform::CGSize{390, 844}, {430, 932}, {320, 568}}) {
        SCOPED_TRACE(std::to_string(screen.width) + "x" + std::to_string(screen.height));
        FurnitureHost device(screen, "{}");
        double scale = 2;
        LockScreenPicture bare(*device.host, scale, LockScreenDress{Furniture::Bare, {}});
        auto wallpaper = bare.take(0, 1, PowerSource::Battery);
        LockScreenPicture camera(*device.host, scale);
        auto picture = camera.take(0, 1, PowerSource::Battery);
        ASSERT_TRUE(wallpaper && picture);
        LockScreenLayout layout = layOutLockScreen(screen);
        std::vector<CGRect> pieces{layout.statusTime, layout.batteryLevel, layout.batteryGlyph,
                                   layout.lockGlyph,  layout.clock,        layout.date,
                                   layout.leftButton, layout.rightButton,  layout.homeIndicator};
        std::vector<int> drawn(pieces.size(), 0);
        for (std::uint32_t y = 0; y < picture->height; ++y) {
            for (std::uint32_t x = 0; x < picture->width; ++x) {
                if (samePixel(*picture, *wallpaper, x, y))
                    continue;
                bool placed = false;
                for (std::size_t piece = 0; piece < pieces.size(); ++piece) {
                    if (within(pieces[piece], x, y, scale)) {
                        ++drawn[piece];
                        placed = true;
                    }
                }
                ASSERT_TRUE(placed) << "drawn outside every piece at " << x << "," << y;
            }
        }
        for (std::size_t piece = 0; piece < pieces.size(); ++piece)
            EXPECT_GT(drawn[piece], 10) << "piece " << piece << " is not drawn";
    }
}

TEST(LockScreenFurnitureTest, TheStatusBarShowsTheChargerAndEverythingDimsWithTheScreen) {
    FurnitureHost device({390, 844}, "{}");
    double scale = 2;
    LockScreenPicture camera(*device.host, scale);
    auto battery = camera.take(0, 1, PowerSource::Battery);
    auto charger = camera.take(0, 1, PowerSource::Charger);
    auto dimmed = camera.take(0, 0.5f, PowerSource::Charger);
    ASSERT_TRUE(battery && charger && dimmed);
    // The charger changes the battery glyph alone.
    LockScreenLayout layout = layOutLockScreen({390, 844});
    bool changed = false;
    for (std::uint32_t y = 0; y < battery->height; ++y) {
        for (std::uint32_t x = 0; x < battery->width; ++x) {
            if (samePixel(*battery, *charger, x, y))
                continue;
            changed = true;
            ASSERT_TRUE(within(layout.batteryGlyph, x, y, scale)) << x << "," << y;
        }
    }
    EXPECT_TRUE(changed);
    // Every pixel, the pieces' and the status bar's too, is halved.
    for (std::size_t offset = 0; offset < charger->rgba.size(); offset += 4) {
        for (std::size_t channel = 0; channel < 3; ++channel)
            ASSERT_NEAR(dimmed->rgba[offset + channel], charger->rgba[offset + channel] / 2.0, 1.0)
                << "at byte " << offset;
    }
}

TEST(LockScreenFurnitureTest, TheClockSaysTheTimeItIsGiven) {
    FurnitureHost device({390, 844}, "{}");
    LockScreenDress early;
    early.text.clock = "7:05";
    LockScreenPicture first(*device.host, 1);
    auto usual = first.take(0, 1, PowerSource::Battery);
    ASSERT_TRUE(usual);
    FramePixels copy = *usual;
    LockScreenPicture second(*device.host, 1, early);
    auto other = second.take(0, 1, PowerSource::Battery);
    ASSERT_TRUE(other);
    // Another time changes the large clock and the status bar's time, nothing else.
    LockScreenLayout layout = layOutLockScreen({390, 844});
    bool clockChanged = false;
    for (std::uint32_t y = 0; y < copy.height; ++y) {
        for (std::uint32_t x = 0; x < copy.width; ++x) {
            if (samePixel(copy, *other, x, y))
                continue;
            bool inClock = within(layout.clock, x, y, 1);
            clockChanged = clockChanged || inClock;
            ASSERT_TRUE(inClock || within(layout.statusTime, x, y, 1)) << x << "," << y;
        }
    }
    EXPECT_TRUE(clockChanged);
}

} // namespace
} // namespace velorin::tools
