// velorin-sim live, end to end, without a display: the window opens on SDL's dummy driver,
// which draws in memory and, unlike the offscreen one, loads no GL libraries. Captures of a
// scenario are compared with preview's frames of the same moments; the test clock
// (VELORIN_TEST_LIVE_CLOCK=input) lets a test move time and press keys from standard input, so that
// an edit of the folder between two showings and a recording of keys are exact, with no waiting on
// the real time.
#include "platform/display/Image.h"
#include "tests/support/FrameImages.h"
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SimProcess.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing::readWholeFile;

// One test's device root, a folder for its own files, and the settings every run gets: its
// own home and temporary folder, and SDL's window that nobody sees.
struct LiveScratch {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot folder;
    fs::path temporary = folder.path() / "tmp";
    fs::path home = folder.path() / "home";

    LiveScratch() {
        fs::create_directory(temporary);
        fs::create_directory(home);
    }

    std::vector<std::string> settings(bool inputClock = false) const {
        std::vector<std::string> settings{
            "TMPDIR=" + temporary.string(),
            "HOME=" + home.string(),
            "XDG_DATA_HOME=" + (home / "data").string(),
            "XDG_CACHE_HOME=" + (home / "cache").string(),
            "XDG_CONFIG_HOME=" + (home / "config").string(),
            "VELORIN_ROOT=" + (folder.path() / "user-root").string(),
            "SDL_VIDEODRIVER=dummy",
            "SDL_RENDER_DRIVER=software",
        };
        if (inputClock)
            settings.push_back("VELORIN_TEST_LIVE_CLOCK=input");
        return settings;
    }

    testing::SimOutcome run(std::vector<std::string> arguments,
                            std::vector<std::string> more = {}) const {
        // The first setting of a name is the one the program sees.
        auto all = settings();
        more.insert(more.end(), all.begin(), all.end());
        return testing::runVelorinSim(folder.path(), arguments, more);
    }

    std::unique_ptr<testing::RunningProcess> start(std::vector<std::string> arguments) const {
        return std::make_unique<testing::RunningProcess>(VELORIN_SIM_PATH, std::move(arguments),
                                                         folder.path(), settings(true));
    }

    fs::path writeScenario(const std::string& name, const std::string& text) const {
        fs::path path = folder.path() / name;
        std::ofstream(path) << text;
        return path;
    }
};

// A sequence folder of `count` frames of one colour, placed 40 × 30 points near the bottom left.
fs::path writeSequence(const fs::path& folder, int count, std::uint8_t red, std::uint8_t blue) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (int frame = 1; frame <= count; ++frame) {
        auto bytes = testing::solidPng(8, 8, red, static_cast<std::uint8_t>(frame * 30), blue);
        std::ofstream(folder / ("frame" + std::to_string(frame) + ".png"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    }
    std::ofstream(folder / "options.json")
        << R"({"width": 40, "height": 30, "x": 10, "y": "bottom", "yOffsetFromBottom": 20})";
    return folder;
}

platform::Ref<platform::CGImage> readPng(const fs::path& path) {
    std::string bytes = readWholeFile(path);
    return platform::decodePng({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

TEST(LiveCommandTest, BadArgumentsAreRefusedBeforeTheWindowOpensAndNothingIsLeft) {
    LiveScratch scratch;
    fs::path sequence = writeSequence(scratch.folder.path() / "mine", 2, 255, 0);
    fs::path script = scratch.writeScenario("short.scenario", "at 0 launch\nat 3 end\n");
    fs::path notes = scratch.folder.path() / "notes.txt";
    std::ofstream(notes) << "my notes";
    fs::path captures = scratch.folder.path() / "captures";
    std::string root = scratch.root.path().string();
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases{
        {{"--capture", captures.string()}, "--capture: --capture DIR and --at T1,T2,… go together"},
        {{"--at", "1"}, "--at: --capture DIR and --at T1,T2,… go together"},
        {{"--capture", captures.string(), "--at", "1"},
         "--capture: captures are taken of a scenario: give --script too"},
        {{"--script", script.string(), "--capture", captures.string(), "--at", "1,3.5"},
         "--at 1,3.5: a moment comes after the scenario's end at 3 s"},
        {{"--script", script.string(), "--capture", captures.string(), "--at", "1,,2"},
         "--at 1,,2: expected moments in seconds from the start, separated by commas, such as "
         "0.5,1,2.25"},
        {{"--record", notes.string()},
         notes.string() + ": exists and is no recording of velorin-sim live; choose another "
                          "name, so that it is not lost"},
        {{"--clock", "24:00"},
         "--clock 24:00: expected a time on a 24-hour clock, H:MM or HH:MM, such as 9:41"},
        {{"--script", (scratch.folder.path() / "missing.scenario").string()},
         (scratch.folder.path() / "missing.scenario").string() + ": no such scenario file"},
    };
    for (const auto& testCase : cases) {
        std::vector<std::string> arguments{"live", sequence.string(), "--root", root};
        arguments.insert(arguments.end(), testCase.arguments.begin(), testCase.arguments.end());
        auto outcome = scratch.run(arguments);
        EXPECT_EQ(outcome.status, 2) << testCase.message;
        EXPECT_EQ(outcome.err, "velorin-sim: " + testCase.message + "\n");
        EXPECT_EQ(outcome.out, "");
    }
    // Without a display the window cannot open; the private copy of the folder goes.
    auto blind = scratch.run({"live", sequence.string(), "--root", root},
                             {"SDL_VIDEODRIVER=no-such-driver"});
    EXPECT_EQ(blind.status, 2);
    EXPECT_THAT(blind.err, HasSubstr("velorin-sim: cannot open a window: "));
    EXPECT_EQ(readWholeFile(notes), "my notes");
    EXPECT_FALSE(fs::exists(captures));
    EXPECT_TRUE(fs::is_empty(scratch.temporary)) << "a private copy is left behind";
}

TEST(LiveCommandTest, CapturesOfAScenarioAreThePreviewsPicturesOfTheSameMoments) {
    LiveScratch scratch;
    // The host's own charging view shows as well, for the first three seconds; the extension
    // is on, so the preview's pictures are not marked as showing nothing.
    scratch.root.writePreferences("com.tarnwick.velorin",
                                  {{"enablebatteryanimation", platform::PropertyValue::boolean(true)},
                                   {"hidebattery", platform::PropertyValue::boolean(false)}});
    fs::path sequence = writeSequence(scratch.folder.path() / "mine", 4, 255, 60);
    std::string root = scratch.root.path().string();
    fs::path previewOut = scratch.folder.path() / "preview";
    auto preview = scratch.run({"preview", sequence.string(), "--root", root, "--scale", "1",
                                "--seconds", "3", "--fps", "10", "--out", previewOut.string()});
    ASSERT_EQ(preview.status, 0) << preview.err;

    // The preview's host launches, locks and is plugged in at time zero.
    fs::path script =
        scratch.writeScenario("plugged.scenario", "at 0 launch\nat 0 lock\nat 0 plug\nat 3 end\n");
    fs::path captures = scratch.folder.path() / "captures";
    auto live = scratch.run({"live", sequence.string(), "--root", root, "--script", script.string(),
                             "--scale", "1", "--capture", captures.string(), "--at",
                             "0.5,1.1,2.4,0", "--stats"});
    ASSERT_EQ(live.status, 0) << live.err;
    EXPECT_THAT(live.out, HasSubstr("0.000 event plug\n"));
    EXPECT_THAT(live.out, HasSubstr("0.000 animation UIImageView#1 frames=4 duration=2\n"));
    EXPECT_TRUE(live.out.ends_with("3.000 event end\n3.000 end\n")) << live.out;
    EXPECT_THAT(live.err, HasSubstr("velorin-sim: live: loaded: 4 frames"));
    EXPECT_TRUE(std::regex_search(live.err, std::regex("\nframes [0-9]+, fps [0-9.]+, p99 "
                                                       "[0-9.]+ ms\n")))
        << live.err;

    // In the order the moments were given: 0.5 s, 1.1 s, 2.4 s and 0 s are frames 6, 12, 25
    // and 1 of a preview at ten frames a second.
    const std::vector<std::pair<std::string, std::string>> pairs{
        {"capture-0001.png", "frame-0006.png"},
        {"capture-0002.png", "frame-0012.png"},
        {"capture-0003.png", "frame-0025.png"},
        {"capture-0004.png", "frame-0001.png"}};
    for (const auto& [capture, frame] : pairs) {
        SCOPED_TRACE(capture);
        auto captured = readPng(captures / capture);
        auto previewed = readPng(previewOut / "frames" / frame);
        ASSERT_TRUE(captured && previewed);
        ASSERT_EQ(captured->width(), 390u);
        ASSERT_EQ(captured->height(), 844u);
        EXPECT_TRUE(captured->pixels() == previewed->pixels());
    }
    // The cross-faded frames differ from one moment to the next.
    EXPECT_FALSE(readPng(captures / "capture-0001.png")->pixels() ==
                 readPng(captures / "capture-0002.png")->pixels());
    EXPECT_TRUE(fs::is_empty(scratch.temporary));
}

TEST(LiveCommandTest, AnEditedFolderPlaysAtTheNextShowing) {
    LiveScratch scratch;
    fs::path sequence = writeSequence(scratch.folder.path() / "mine", 4, 255, 0);
    fs::path script = scratch.writeScenario(
        "twice.scenario",
        "at 0 launch\nat 0 lock\nat 0.5 plug\nat 5 unplug\nat 6 plug\nat 8 end\n");
    fs::path captures = scratch.folder.path() / "captures";
    auto live = scratch.start({"live", sequence.string(), "--root", scratch.root.path().string(),
                               "--script", script.string(), "--scale", "1", "--capture",
                               captures.string(), "--at", "1,7"});
    ASSERT_TRUE(live->sendInput("2\n"));
    ASSERT_TRUE(live->waitForOutput("0.500 animation UIImageView#1 frames=4 duration=2\n"));
    // The first showing has read the red frames; three blue ones take their place.
    writeSequence(sequence, 3, 0, 255);
    ASSERT_TRUE(live->sendInput("8\n"));
    auto outcome = live->finish();
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_THAT(outcome.out, HasSubstr("6.000 animation UIImageView#2 frames=3 duration=2\n"));
    EXPECT_THAT(outcome.err, HasSubstr("velorin-sim: live: reloaded: 3 frames"));
    // The view lies from x 10 to 50 and from y 794 to 824.
    auto first = readPng(captures / "capture-0001.png");
    auto second = readPng(captures / "capture-0002.png");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->pixelAt(20, 815)[0], 255);
    EXPECT_EQ(first->pixelAt(20, 815)[2], 0);
    EXPECT_EQ(second->pixelAt(20, 815)[0], 0);
    EXPECT_EQ(second->pixelAt(20, 815)[2], 255);
    EXPECT_TRUE(fs::is_empty(scratch.temporary));
}

TEST(LiveCommandTest, KeysArePlayedAsEventsAndTheRecordingReplaysTheSameTrace) {
    LiveScratch scratch;
    std::string root = scratch.root.path().string();
    writeSequence(scratch.root.hostPath("var/jb/vod/Library/Velorin/chargingSequences/rings"), 4,
                  255, 0);
    fs::path recording = scratch.folder.path() / "session.scenario";
    fs::path screenshots = scratch.folder.path() / "shots";
    fs::create_directory(screenshots);
    auto live = scratch.start({"live", "rings", "--root", root, "--record", recording.string(),
                               "--screenshots", screenshots.string()});
    ASSERT_TRUE(live->sendInput("1\nkey p\n2\nkey o\n3.25\nkey p\nkey ?\nkey s\n4\nkey q\n"));
    auto outcome = live->finish();
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    for (const char* line : {"0.000 event launch\n", "0.000 event lock\n", "1.000 event plug\n",
                             "1.000 animation UIImageView#1 frames=4 duration=2\n",
                             "2.000 event pref loopbatteryanimation true\n", "2.000 event notify\n",
                             "3.250 event unplug\n"})
        EXPECT_THAT(outcome.out, HasSubstr(line));
    EXPECT_TRUE(outcome.out.ends_with("4.000 event end\n4.000 end\n")) << outcome.out;
    // The screenshot is at the full resolution of scale 2.
    auto screenshot = readPng(screenshots / "velorin-live-0001.png");
    ASSERT_TRUE(screenshot);
    EXPECT_EQ(screenshot->width(), 780u);

    std::string recorded = readWholeFile(recording);
    EXPECT_THAT(recorded, HasSubstr("pref batteryanimation \"rings\"\nat 0 launch\nat 0 lock\n"
                                    "at 1 plug\nat 2 pref loopbatteryanimation true\nat 2 notify\n"
                                    "at 3.25 unplug\nat 4 end\n"));
    auto replay = scratch.run({"run", recording.string(), "--root", root});
    ASSERT_EQ(replay.status, 0) << replay.err;
    EXPECT_EQ(replay.out, outcome.out);

    // A recording may be recorded over.
    auto again = scratch.start({"live", "rings", "--root", root, "--record", recording.string()});
    ASSERT_TRUE(again->sendInput("0.5\nkey q\n"));
    EXPECT_EQ(again->finish().status, 0);
    EXPECT_THAT(readWholeFile(recording), HasSubstr("at 0.5 end\n"));
    EXPECT_TRUE(fs::is_empty(scratch.temporary));
}

TEST(LiveCommandTest, ASignalClosesTheWindowAndLeavesNothingBehind) {
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        LiveScratch scratch;
        fs::path sequence = writeSequence(scratch.folder.path() / "mine", 2, 255, 0);
        fs::path recording = scratch.folder.path() / "session.scenario";
        auto live = scratch.start({"live", sequence.string(), "--root",
                                   scratch.root.path().string(), "--record", recording.string()});
        ASSERT_TRUE(live->waitForOutput("0.000 event lock\n"));
        live->signal(signal);
        auto outcome = live->finish();
        EXPECT_EQ(outcome.status, 128 + signal);
        EXPECT_TRUE(outcome.out.ends_with("0.000 event end\n0.000 end\n")) << outcome.out;
        EXPECT_THAT(outcome.err, HasSubstr("velorin-sim: interrupted; the window is closed and "
                                           "the recording written\n"));
        EXPECT_THAT(readWholeFile(recording), HasSubstr("at 0 end\n"));
        EXPECT_TRUE(fs::is_empty(scratch.temporary)) << "the private copy is left behind";
    }
}

} // namespace
} // namespace velorin::tools
