// The lock screen's views, drawn in 8-bit premultiplied pixels with pixman over a bare
// wallpaper, against the reference drawing in floats it replaced: on the bundled sample sequences,
// played by the real extension, the two differ by at most one level per channel on average, and by
// no more than eight anywhere but along the edges of the stretched frames, where the filters may
// round their edge pixels differently.
#include "platform/display/Compositor.h"
#include "settings/Settings.h"
#include "sim/ExtensionLoader.h"
#include "sim/SimulatedHost.h"
#include "tests/support/ReferenceCompositor.h"
#include "tools/lockscreen/LockScreenPicture.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;

struct PixelBox {
    long left, top, right, bottom;
};

// The pixel rectangles of the views that show layer contents (the stretched frames) at `time`.
void collectFrameBoxes(const platform::UIView& view, platform::CGPoint origin, double scale,
                       double time, std::vector<PixelBox>& boxes) {
    if (view.isHidden())
        return;
    if (!view.layer()->contentsAtTime(time).empty()) {
        auto size = view.bounds().size;
        boxes.push_back({std::lround(std::floor(origin.x * scale)),
                         std::lround(std::floor(origin.y * scale)),
                         std::lround(std::ceil((origin.x + size.width) * scale)),
                         std::lround(std::ceil((origin.y + size.height) * scale))});
    }
    for (const auto& child : view.subviews())
        collectFrameBoxes(*child,
                          {origin.x + child->frame().origin.x, origin.y + child->frame().origin.y},
                          scale, time, boxes);
}

// Whether a pixel lies within `band` pixels of a box's edge.
bool nearAnEdge(const std::vector<PixelBox>& boxes, long x, long y, long band) {
    for (const auto& box : boxes) {
        bool inOuter = x >= box.left - band && x < box.right + band && y >= box.top - band &&
                       y < box.bottom + band;
        bool inInner = x >= box.left + band && x < box.right - band && y >= box.top + band &&
                       y < box.bottom - band;
        if (inOuter && !inInner)
            return true;
    }
    return false;
}

struct Difference {
    double meanPerChannel{0};
    int largestAwayFromEdges{0};
};

Difference compare(const FramePixels& drawn, const platform::CGImage& reference,
                   const std::vector<PixelBox>& frameBoxes) {
    Difference difference;
    double total = 0;
    for (std::uint32_t y = 0; y < drawn.height; ++y) {
        for (std::uint32_t x = 0; x < drawn.width; ++x) {
            const std::uint8_t* mine = drawn.pixelAt(x, y);
            const std::uint8_t* theirs = reference.pixelAt(x, y);
            bool edge = nearAnEdge(frameBoxes, x, y, 2);
            for (std::size_t channel = 0; channel < 4; ++channel) {
                int apart = std::abs(int{mine[channel]} - int{theirs[channel]});
                total += apart;
                if (!edge)
                    difference.largestAwayFromEdges =
                        std::max(difference.largestAwayFromEdges, apart);
            }
        }
    }
    difference.meanPerChannel = total / (std::size_t{drawn.width} * drawn.height * 4);
    return difference;
}

fs::path bundledSequences() {
    return fs::path(VELORIN_BUILD_SAMPLE_ROOT) / "var/jb/vod/Library/Velorin/chargingSequences";
}

TEST(LockScreenPictureTest, LooksAsTheReferenceDrawingOnEveryBundledSequence) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(bundledSequences()))
        names.push_back(entry.path().filename().string());
    ASSERT_FALSE(names.empty());
    for (const auto& name : names) {
        // Whole and fractional scales, so that frame edges fall on and between pixels.
        for (double scale : {2.0, 1.5}) {
            SCOPED_TRACE(name + " at scale " + std::to_string(scale));
            sim::HostSetup setup;
            setup.preferences = {
                {enabledPreferenceKey, platform::PropertyValue::boolean(true)},
                {sequenceNamePreferenceKey, platform::PropertyValue::string(name)},
            };
            auto started = sim::SimulatedHost::start(
                setup,
                sim::HostEnvironment{VELORIN_BUILD_SAMPLE_ROOT, sim::defaultExtensionLibrary()});
            ASSERT_TRUE(started.ok()) << started.fault().text();
            sim::SimulatedHost& host = *started.value();
            ASSERT_TRUE(host.launch().ok());
            host.lock();
            host.plug();
            LockScreenPicture camera(host, scale, LockScreenDress{Furniture::Bare, {}});
            auto wallpaper = platform::CGImage::create(
                camera.background().width, camera.background().height, camera.background().rgba);
            ASSERT_TRUE(wallpaper);
            // Blended frames early and late in the run, the last frame held, and a dimmed screen.
            for (auto [seconds, backlight] :
                 {std::pair{0.4, 1.0f}, {1.13, 1.0f}, {3.5, 1.0f}, {1.7, 0.35f}}) {
                SCOPED_TRACE("at " + std::to_string(seconds) + " s");
                host.advanceTo(static_cast<std::uint64_t>(seconds * 1e9));
                double time = static_cast<double>(host.now()) / 1e9;
                auto drawn = camera.take(time, backlight, PowerSource::Charger);
                ASSERT_TRUE(drawn);
                platform::RenderOptions options;
                options.scale = scale;
                options.time = time;
                auto reference = testing::referenceRenderViewTree(host.page(), options);
                ASSERT_TRUE(reference);
                testing::referenceLayOverBackground(*reference, *wallpaper, backlight);
                ASSERT_EQ(drawn->width, reference->width());
                ASSERT_EQ(drawn->height, reference->height());

                std::vector<PixelBox> frameBoxes;
                collectFrameBoxes(*host.page(), {0, 0}, scale, time, frameBoxes);
                EXPECT_FALSE(frameBoxes.empty()) << "no frame shows";
                auto difference = compare(*drawn, *reference, frameBoxes);
                EXPECT_LE(difference.meanPerChannel, 1.0);
                EXPECT_LE(difference.largestAwayFromEdges, 8);
            }
        }
    }
}

} // namespace
} // namespace velorin::tools
