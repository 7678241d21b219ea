// What the soak feeds the host: replayable events, and its private copy of the device root with
// the edits it makes to sequence folders.
#include "platform/display/Image.h"
#include "sequences/SequenceDirectory.h"
#include "soak/SoakDeviceRoot.h"
#include "soak/SoakEvents.h"
#include "tests/support/FrameImages.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace velorin::soak {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> firstEvents(std::uint64_t seed, int count) {
    SoakEventSource source(seed, {"battery", "pulse"});
    sim::DeviceState device;
    std::vector<std::string> events;
    for (int index = 0; index < count; ++index) {
        SoakEvent event = source.next(device);
        events.push_back(std::to_string(event.gap) + " " + describe(event));
        if (event.kind == SoakEventKind::Plug)
            device.onPower = true;
        if (event.kind == SoakEventKind::Unplug)
            device.onPower = false;
    }
    return events;
}

TEST(SoakEventSourceTest, ASeedNamesOneRun) {
    EXPECT_EQ(firstEvents(7, 300), firstEvents(7, 300));
    EXPECT_NE(firstEvents(7, 300), firstEvents(8, 300));
}

class SoakDeviceRootTest : public ::testing::Test {
protected:
    SoakDeviceRootTest() {
        for (const char* frame : {"charge1.png", "charge2.png", "charge3.png"})
            source.writeFile(std::string(sequenceRoot) + "battery/" + frame,
                             testing::solidPng(4, 4, 200));
        source.writeFile(std::string(sequenceRoot) + "pulse/options.json", "{}");
    }
    std::vector<std::string> frames(const SoakDeviceRoot& copy, const std::string& sequence) {
        std::vector<std::string> names;
        for (const auto& entry :
             fs::directory_iterator(fs::path(copy.path()) / sequenceRoot / sequence))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    testing::TemporaryDeviceRoot source;
};

TEST_F(SoakDeviceRootTest, EditsChangeOnlyTheCopyWhichGoesAtTheEnd) {
    std::string copyPath;
    {
        auto made = SoakDeviceRoot::copy(source.path().string());
        ASSERT_TRUE(made.ok()) << made.fault().text();
        SoakDeviceRoot& copy = *made.value();
        copyPath = copy.path();
        EXPECT_EQ(copy.sequenceNames(), (std::vector<std::string>{"battery", "pulse"}));
        EXPECT_TRUE(copy.removeFrame("battery", 4));
        EXPECT_TRUE(copy.swapFolders("battery", "pulse"));
        EXPECT_EQ(frames(copy, "pulse"), (std::vector<std::string>{"charge1.png", "charge3.png"}));
        EXPECT_EQ(frames(copy, "battery"), std::vector<std::string>{"options.json"});
    }
    EXPECT_FALSE(fs::exists(copyPath));
    EXPECT_TRUE(fs::exists(source.hostPath(std::string(sequenceRoot) + "battery/charge2.png")));
    EXPECT_TRUE(fs::exists(source.hostPath(std::string(sequenceRoot) + "pulse/options.json")));
}

TEST_F(SoakDeviceRootTest, AddedFramesFollowTheFolderNamesAndDecode) {
    auto made = SoakDeviceRoot::copy(source.path().string());
    ASSERT_TRUE(made.ok()) << made.fault().text();
    SoakDeviceRoot& copy = *made.value();
    ASSERT_TRUE(copy.addFrame("battery", 7, 12, 9, 0x0000ff));
    EXPECT_FALSE(copy.addFrame("missing", 1, 4, 4, 0));
    std::ifstream file(fs::path(copy.path()) / sequenceRoot / "battery/charge07.png",
                       std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                    std::istreambuf_iterator<char>()};
    platform::Ref<platform::CGImage> image = platform::decodePng(bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 12u);
    EXPECT_EQ(testing::firstRed(*image), 255);
    // A folder without frames takes a plain name; a full folder takes no more.
    ASSERT_TRUE(copy.addFrame("pulse", 3, 4, 4, 0));
    EXPECT_EQ(frames(copy, "pulse"), (std::vector<std::string>{"frame03.png", "options.json"}));
    for (std::uint32_t number = 0; number < SoakDeviceRoot::maximumFrames + 5; ++number)
        copy.addFrame("pulse", 100 + number, 2, 2, 0);
    EXPECT_EQ(frames(copy, "pulse").size(), SoakDeviceRoot::maximumFrames + 1);
}

} // namespace
} // namespace velorin::soak
