// The sample device root that the build draws: its sequences must play in the order they were
// drawn, under the extension's own ordering rule, and every frame must decode at the size its
// options give.
#include "platform/DeviceFileSystem.h"
#include "platform/display/Image.h"
#include "sequences/FrameOrdering.h"
#include "settings/Settings.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;

const fs::path sequencesFolder =
    fs::path(VELORIN_BUILD_SAMPLE_ROOT) / "var/jb/vod/Library/Velorin/chargingSequences";

std::vector<std::string> frameNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == ".png")
            names.push_back(entry.path().filename().string());
    }
    return names;
}

std::vector<std::uint8_t> readBytes(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

TEST(SampleRootTest, EverySequencePlaysInDrawingOrderWhicheverNameIsListedFirst) {
    for (const char* sequence : {"particlespin", "battery", "pulse"}) {
        SCOPED_TRACE(sequence);
        std::vector<std::string> drawingOrder = frameNames(sequencesFolder / sequence);
        ASSERT_GE(drawingOrder.size(), 10u);
        // Zero-padded numbers sort as text in drawing order.
        std::sort(drawingOrder.begin(), drawingOrder.end());

        // The prefix length comes from the first name listed, so try several listing orders.
        std::mt19937 shuffler(7);
        for (int listing = 0; listing < 5; ++listing) {
            std::vector<std::string> listed = drawingOrder;
            std::shuffle(listed.begin(), listed.end(), shuffler);
            FrameOrder order = orderFrames(listed);
            ASSERT_EQ(order.frames.size(), drawingOrder.size());
            for (std::size_t index = 0; index < order.frames.size(); ++index) {
                EXPECT_EQ(order.frames[index].name, drawingOrder[index]);
                EXPECT_FALSE(order.frames[index].window.cutAtEnd);
                EXPECT_EQ(order.frames[index].window.sortKey, static_cast<std::int64_t>(index + 1));
            }
        }
    }
}

TEST(SampleRootTest, FramesAreDrawnAtThreeTimesTheBoxTheOptionsPlace) {
    for (const char* sequence : {"particlespin", "battery", "pulse"}) {
        SCOPED_TRACE(sequence);
        fs::path folder = sequencesFolder / sequence;
        auto options = nlohmann::json::parse(readBytes(folder / "options.json"));
        for (const std::string& name : frameNames(folder)) {
            auto image = platform::decodePng(readBytes(folder / name));
            ASSERT_TRUE(image) << name;
            EXPECT_EQ(image->width(), 3 * options["width"].get<std::uint32_t>()) << name;
            EXPECT_EQ(image->height(), 3 * options["height"].get<std::uint32_t>()) << name;
        }
    }
}

TEST(SampleRootTest, SamplePreferencesEnableTheExtensionWithTheDefaultSequence) {
    std::string previousRoot = platform::deviceRoot();
    platform::setDeviceRoot(VELORIN_BUILD_SAMPLE_ROOT);
    readSettings();
    platform::setDeviceRoot(previousRoot);
    EXPECT_TRUE(settings().enabled);
    EXPECT_EQ(settings().sequenceName, defaultSequenceName);
    EXPECT_TRUE(fs::is_regular_file(sequencesFolder / settings().sequenceName / "options.json"));
}

} // namespace
} // namespace velorin::tools
