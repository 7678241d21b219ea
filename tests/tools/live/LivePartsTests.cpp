// The parts of the live window that can be tried without one: the recording's scenario text,
// the folder watch, the keys' events and the frame statistics.
#include "sim/ScenarioReader.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TemporaryDeviceRoot.h"
#include "tools/live/FrameStatistics.h"
#include "tools/live/LiveKeys.h"
#include "tools/live/LiveRecording.h"
#include "tools/live/SequenceWatch.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;

TEST(LiveRecordingTest, TheRecordingReadsBackAsTheSameSetUpAndEvents) {
    sim::HostSetup setup;
    setup.profile = sim::HostProfile::Legacy;
    setup.lackingClasses = {"SBLockScreenViewController"};
    setup.systemVersion = "10.3.3";
    setup.bundleIdentifier.reset();
    setup.screen = {375.5, 667};
    setup.autolockNanoseconds.reset();
    setup.locked = false;
    setup.onPower = true;
    setup.preferences = {
        {"loopbatteryanimation", platform::PropertyValue::boolean(true)},
        {"count", platform::PropertyValue::integer(-7)},
        {"ratio", platform::PropertyValue::real(0.1)},
        {"whole", platform::PropertyValue::real(3)},
        {"batteryanimation", platform::PropertyValue::string("quote \" and \\ # not a comment")},
    };
    LiveRecording recording(setup, "Replay with: velorin-sim run FILE");
    recording.add(0, "launch");
    recording.add(1'234'000'000, "plug");
    recording.add(2'000'000'001, "pref hidebattery false");
    recording.add(5'500'000'000, "end");
    auto read = sim::readScenario(recording.text());
    ASSERT_TRUE(read.ok()) << read.fault().text();
    const sim::HostSetup& back = read.value().setup;
    EXPECT_EQ(back.profile, setup.profile);
    EXPECT_EQ(back.lackingClasses, setup.lackingClasses);
    EXPECT_EQ(back.systemVersion, setup.systemVersion);
    EXPECT_EQ(back.bundleIdentifier, setup.bundleIdentifier);
    EXPECT_EQ(back.screen, setup.screen);
    EXPECT_EQ(back.autolockNanoseconds, setup.autolockNanoseconds);
    EXPECT_EQ(back.locked, setup.locked);
    EXPECT_EQ(back.onPower, setup.onPower);
    EXPECT_EQ(back.preferences, setup.preferences);
    const auto& events = read.value().events;
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[1].time, 1'234'000'000u);
    EXPECT_EQ(events[1].text, "plug");
    EXPECT_EQ(events[2].time, 2'000'000'001u) << "times keep every nanosecond";
    EXPECT_EQ(events[3].kind, sim::EventKind::End);
    EXPECT_EQ(exactSeconds(0), "0");
    EXPECT_EQ(exactSeconds(1'500'000'000), "1.5");
}

TEST(LiveRecordingTest, OnlyARecordingIsWrittenOver) {
    testing::TemporaryDeviceRoot folder;
    fs::path path = folder.path() / "session.scenario";
    EXPECT_TRUE(checkRecordingTarget(path.string()).ok()) << "a new file";
    std::ofstream(path) << "at 0 launch\n";
    auto refused = writeRecording(path.string(), "# Recorded by velorin-sim live.\n");
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.fault().text(), path.string() + ": exists and is no recording of "
                                                      "velorin-sim live; choose another name, so "
                                                      "that it is not lost");
    EXPECT_EQ(testing::readWholeFile(path), "at 0 launch\n");
    EXPECT_FALSE(checkRecordingTarget(folder.path().string()).ok()) << "a folder";
    fs::remove(path);
    ASSERT_TRUE(writeRecording(path.string(), "# Recorded by velorin-sim live.\nat 0 end\n").ok());
    ASSERT_TRUE(writeRecording(path.string(), "# Recorded by velorin-sim live.\nat 1 end\n").ok());
    EXPECT_EQ(testing::readWholeFile(path), "# Recorded by velorin-sim live.\nat 1 end\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1)
        << "the temporary file is left behind";
}

TEST(SequenceWatchTest, ChangesInsideTheFolderAndAFolderReplacedWholeAreHeard) {
    testing::TemporaryDeviceRoot root;
    fs::path folder = root.path() / "rings";
    fs::create_directories(folder);
    auto watch = SequenceWatch::watch(folder.string());
    ASSERT_TRUE(watch);
    EXPECT_FALSE(watch->changed());
    std::ofstream(folder / "frame1.png") << "x";
    EXPECT_TRUE(watch->changed());
    EXPECT_FALSE(watch->changed()) << "a change is told once";
    std::ofstream(folder / "options.json") << "{}";
    fs::remove(folder / "frame1.png");
    EXPECT_TRUE(watch->changed());
    // Another tool replaces the folder whole; changes in the new one are heard as well.
    fs::path staged = root.path() / ".rings-new";
    fs::create_directories(staged);
    fs::rename(folder, root.path() / ".rings-old");
    fs::rename(staged, folder);
    EXPECT_TRUE(watch->changed());
    std::ofstream(folder / "frame2.png") << "y";
    EXPECT_TRUE(watch->changed());
    // A sibling's changes are not the folder's.
    std::ofstream(root.path() / "notes.txt") << "z";
    std::ofstream(root.path() / ".rings-old" / "frame9.png") << "z";
    EXPECT_FALSE(watch->changed());
}

TEST(LiveKeysTest, EveryKeysEventsAreReadByTheScenarioLanguage) {
    for (const auto& description : liveKeys()) {
        EXPECT_EQ(liveKeyForLetter(description.letter), description.key);
        for (bool onPower : {false, true}) {
            for (bool state : {false, true}) {
                KeyContext context{onPower, state, state, state};
                std::string text;
                for (const auto& event : eventsForKey(description.key, context))
                    text += "at 1 " + event + "\n";
                auto read = sim::readScenario(text);
                EXPECT_TRUE(read.ok()) << text << read.fault().text();
            }
        }
    }
    EXPECT_FALSE(liveKeyForLetter('x'));
    EXPECT_EQ(eventsForKey(LiveKey::Charger, KeyContext{true, true, false, false}),
              std::vector<std::string>{"unplug"});
    EXPECT_EQ(eventsForKey(LiveKey::Backlight, KeyContext{true, true, true, false}),
              std::vector<std::string>{"wake"});
    EXPECT_TRUE(eventsForKey(LiveKey::Reload, KeyContext{false, true, false, false}).empty())
        << "off the charger there is no showing to start again";
}

TEST(FrameStatisticsTest, TheRateCountsFramesOverTheirSpanAndTheSlowestOneInAHundredShows) {
    FrameStatistics statistics;
    EXPECT_EQ(statistics.summary(), "frames 0, fps 0.0, p99 0.0 ms");
    // 200 frames a sixtieth of a second apart, each made in 5 ms but for `slow` of them, which
    // took 30 ms: two in 200 are within the slowest one in a hundred, three are not.
    auto measure = [](int slow) {
        FrameStatistics measured;
        for (std::uint64_t frame = 0; frame < 200; ++frame)
            measured.add(frame * 1'000'000'000 / 60,
                         frame % 60 == 7 && frame / 60 < std::uint64_t(slow) ? 30'000'000
                                                                             : 5'000'000);
        return measured;
    };
    EXPECT_DOUBLE_EQ(measure(2).percentile99Milliseconds(), 5.0);
    statistics = measure(3);
    EXPECT_NEAR(statistics.framesPerSecond(), 60.0, 0.01);
    EXPECT_DOUBLE_EQ(statistics.percentile99Milliseconds(), 30.0);
    EXPECT_EQ(statistics.summary(), "frames 200, fps 60.0, p99 30.0 ms");
}

} // namespace
} // namespace velorin::tools
