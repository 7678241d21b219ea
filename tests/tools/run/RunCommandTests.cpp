// velorin-sim run, end to end: the built program plays scenarios on the real extension in a
// process of its own, as a user runs it.
#include "tests/support/FrameImages.h"
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SimProcess.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;

const std::string dataFolder = std::string(VELORIN_TEST_DATA_DIR) + "/tools/run/data/";

// Runs velorin-sim with the arguments. Its output is caught in a scratch folder of its own, so
// that a device root holds only what the test put there.
testing::SimOutcome runSim(std::vector<std::string> arguments,
                           std::vector<std::string> settings = {}) {
    testing::TemporaryDeviceRoot outputFolder;
    return testing::runVelorinSim(outputFolder.path(), std::move(arguments), std::move(settings));
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> split;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        split.push_back(line);
    return split;
}

// A root with the default sequence: 60 generated frames and no options file.
void writeSixtyFrames(const testing::TemporaryDeviceRoot& root) {
    for (int frame = 1; frame <= 60; ++frame) {
        root.writeFile("var/jb/vod/Library/Velorin/chargingSequences/particlespin/frame" +
                           std::to_string(frame) + ".png",
                       testing::solidPng(6, 6, static_cast<std::uint8_t>(frame * 4)));
    }
}

// Every file under a folder with its bytes, to show that nothing was written there.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        files[entry.path().string()] =
            entry.is_regular_file() ? testing::readWholeFile(entry.path()) : "/";
    return files;
}

// Whether `expected` appears in `lines` in this order, other lines allowed in between.
::testing::AssertionResult holdsInOrder(const std::vector<std::string>& lines,
                                        const std::vector<std::string>& expected) {
    auto next = lines.begin();
    for (const std::string& line : expected) {
        next = std::find(next, lines.end(), line);
        if (next == lines.end())
            return ::testing::AssertionFailure() << "missing, or out of order: " << line;
        ++next;
    }
    return ::testing::AssertionSuccess();
}

TEST(RunCommandTest, ScenarioFaultsStopTheRunBeforeAnythingHappens) {
    testing::TemporaryDeviceRoot root;
    std::string scenario = dataFolder + "run-time-backwards.scenario";
    testing::SimOutcome faulty = runSim({"run", scenario, "--root", root.path().string()});
    EXPECT_EQ(faulty.status, 2);
    EXPECT_EQ(faulty.out, "");
    EXPECT_EQ(faulty.err, scenario + ":3: time goes backwards: 1 comes after 2 on line 1\n");

    std::string missing = (root.path() / "nowhere.scenario").string();
    testing::SimOutcome absent = runSim({"run", missing});
    EXPECT_EQ(absent.status, 2);
    EXPECT_EQ(absent.out, "");
    EXPECT_EQ(absent.err, "velorin-sim: " + missing + ": no such scenario file\n");

    std::string noRoot = (root.path() / "no-root").string();
    testing::SimOutcome rootless =
        runSim({"run", dataFolder + "run-readme-example.scenario", "--root", noRoot});
    EXPECT_EQ(rootless.status, 2);
    EXPECT_EQ(rootless.out, "");
    EXPECT_EQ(rootless.err,
              "velorin-sim: " + noRoot + ": no such device root (expected a folder)\n");

    std::string noLibrary = (root.path() / "libvelorin.so").string();
    testing::SimOutcome libraryless =
        runSim({"run", dataFolder + "run-readme-example.scenario", "--root", root.path().string()},
               {"VELORIN_EXTENSION_LIBRARY=" + noLibrary});
    EXPECT_EQ(libraryless.status, 2);
    EXPECT_EQ(libraryless.out, "");
    EXPECT_EQ(libraryless.err, "velorin-sim: " + noLibrary + ": no such extension library\n");
}

TEST(RunCommandTest, AnInterruptionEndsTheRunAndLeavesNothingInTheTemporaryFolder) {
    testing::TemporaryDeviceRoot root;
    writeSixtyFrames(root);
    testing::TemporaryDeviceRoot temporary;
    std::string scenario = dataFolder + "run-readme-example.scenario";
    // The run asks before the host starts and before each of the scenario's events.
    for (auto [at, status] : {std::pair{"1", 130}, {"3", 130}, {"5:TERM", 143}}) {
        auto outcome = runSim({"run", scenario, "--root", root.path().string()},
                              {"TMPDIR=" + temporary.path().string(),
                               std::string("VELORIN_TEST_SIGNAL_AT_CHECK=") + at});
        EXPECT_EQ(outcome.status, status) << at;
        EXPECT_EQ(outcome.err, "velorin-sim: interrupted; nothing was kept\n");
        EXPECT_EQ(outcome.out.find(" end"), std::string::npos) << outcome.out;
        EXPECT_TRUE(fs::is_empty(temporary.path())) << at;
    }
}

TEST(RunCommandTest, AHugePreferenceListIsNeitherCopiedNorReadAndTheRunGoesOn) {
    testing::TemporaryDeviceRoot root;
    writeSixtyFrames(root);
    root.writePreferences("com.tarnwick.velorin",
                          {{"loopbatteryanimation", platform::PropertyValue::boolean(true)}});
    fs::path list = root.hostPath("var/mobile/Library/Preferences/com.tarnwick.velorin.plist");
    fs::resize_file(list, std::uintmax_t{64} << 30);
    testing::TemporaryDeviceRoot temporary;
    auto outcome =
        runSim({"run", dataFolder + "run-readme-example.scenario", "--root", root.path().string()},
               {"TMPDIR=" + temporary.path().string()});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("animation"), std::string::npos) << outcome.out;
    EXPECT_TRUE(fs::is_empty(temporary.path()));
    EXPECT_EQ(fs::file_size(list), std::uintmax_t{64} << 30);
}

TEST(RunCommandTest, TheReadmeExampleReproduces) {
    testing::TemporaryDeviceRoot root;
    writeSixtyFrames(root);
    testing::SimOutcome run =
        runSim({"run", dataFolder + "run-readme-example.scenario", "--root", root.path().string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    std::vector<std::string> lines = linesOf(run.out);
    EXPECT_TRUE(holdsInOrder(lines, {
                                        "0.500 view UIView#1 alpha 0",
                                        "0.500 view UIView#1 added page frame=0,0,390,844",
                                        "1.000 ask SBLockScreenManager isUILocked 1",
                                        "1.000 ask SBBacklightController screenIsDim 0",
                                        "1.000 ask SBUIController isOnAC 1",
                                        "1.000 view UIView#1 alpha 1",
                                        "1.000 view AnimatedImageView#1 added UIView#1 "
                                        "frame=120,674,150,150",
                                        "1.000 view UIImageView#1 added AnimatedImageView#1 "
                                        "frame=0,0,150,150",
                                        "1.000 animation UIImageView#1 frames=60 duration=2",
                                        "5.000 view UIView#1 alpha 0",
                                        "5.000 view AnimatedImageView#1 removed",
                                    }));
    EXPECT_TRUE(holdsInOrder(lines, {
                                        "0.000 event launch",
                                        "0.000 ask NSBundle bundleIdentifier "
                                        "\"com.apple.springboard\"",
                                        "0.000 hook SpringBoard applicationDidFinishLaunching: "
                                        "passed",
                                        "0.500 event lock",
                                        "0.500 hook CSMainPageView updateForPresentation: passed",
                                        "1.000 event plug",
                                        "1.000 hook SBUIController ACPowerChanged passed",
                                        // The default settings hide the host's charging view.
                                        "1.000 hook CSCoverSheetViewController "
                                        "_transitionChargingViewToVisible:showBattery:animated: "
                                        "dropped",
                                    }));
    // A written end is an event like every other, and then the run stops.
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "6.000 event end");
    EXPECT_EQ(lines.back(), "6.000 end");
}

TEST(RunCommandTest, ARunIsRepeatableAndNeverWritesIntoTheRoot) {
    testing::TemporaryDeviceRoot root;
    writeSixtyFrames(root);
    root.writePreferences("com.tarnwick.velorin",
                          {{"batteryanimation", platform::PropertyValue::string("particlespin")}});
    auto before = snapshot(root.path());
    std::vector<std::string> arguments{"run", dataFolder + "run-legacy-settings-edits.scenario",
                                       "--root", root.path().string()};
    testing::SimOutcome first = runSim(arguments);
    testing::SimOutcome second = runSim(arguments);
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, second.out);
    EXPECT_EQ(snapshot(root.path()), before);

    std::vector<std::string> lines = linesOf(first.out);
    // The legacy host's own charging view passes while hidebattery is off; its version makes
    // the extension reset the idle timer through the backlight controller, which keeps the
    // screen from dimming while the showings loop.
    EXPECT_TRUE(holdsInOrder(lines, {
                                        "2.000 hook SBDashBoardViewController "
                                        "_transitionChargingViewToVisible:showBattery:animated: "
                                        "passed",
                                        "2.000 chargingview visible",
                                        "5.000 chargingview hidden",
                                        "6.000 ask UIDevice systemVersion \"10.3.3\"",
                                        "6.000 tell SBBacklightController resetLockScreenIdleTimer",
                                    }));
    // From the settings change on, the transition is dropped; the host lacks the controller
    // class that would add its charging view, so none shows, and the touch passes through the
    // extension's container to the page. Unplugging ends the showings for good.
    EXPECT_TRUE(holdsInOrder(lines, {
                                        "10.000 view UIView#1 removed",
                                        "10.000 view UIView#2 added page frame=0,0,390,844",
                                        "12.000 hook SBDashBoardViewController "
                                        "_transitionChargingViewToVisible:showBattery:animated: "
                                        "dropped",
                                        "13.000 touch 195,422 page",
                                        "30.000 event unplug",
                                        "30.000 ask SBUIController isOnAC 0",
                                        "31.000 hook SBBacklightController "
                                        "setBacklightFactorPending: passed",
                                        "31.000 backlight 1",
                                        "41.000 end",
                                    }));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "12.000 chargingview visible"), 0);
}

// With looping and keep-awake on, a screen that dims during a showing is not held dim: the
// end's restart finds it dim and takes no hold, so the user's wake lights it again, and the
// next restart on the lit screen shows the animation and takes the hold.
TEST(RunCommandTest, KeepAwakeNeverHoldsADimScreen) {
    testing::TemporaryDeviceRoot root;
    writeSixtyFrames(root);
    testing::SimOutcome run = runSim(
        {"run", dataFolder + "run-dim-during-showing.scenario", "--root", root.path().string()});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines = linesOf(run.out);
    EXPECT_TRUE(holdsInOrder(lines, {
                                        "3.000 backlight 0.1",
                                        "5.000 ask SBBacklightController screenIsDim 1",
                                        "6.000 event wake",
                                        "6.000 hook SBBacklightController "
                                        "setBacklightFactorPending: passed",
                                        "6.000 backlight 1",
                                        "9.000 view AnimatedImageView#2 added UIView#1 "
                                        "frame=120,674,150,150",
                                        "9.000 tell SBIdleTimerGlobalCoordinator resetIdleTimer",
                                    }));
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "5.000 tell SBIdleTimerGlobalCoordinator "
                         "resetIdleTimer"),
              0);
}

} // namespace
} // namespace velorin::tools
