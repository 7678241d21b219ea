// velorin-sim soak, end to end: a simulated day of seeded host events on the real extension,
// the short run that CI makes of the thirty-day soak.
#include "sequences/SequenceDirectory.h"
#include "tests/support/FrameImages.h"
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SimProcess.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status{-1};
    std::string output;
    // The figure printed on the line that starts with `name`, or -1.
    long long figure(const std::string& name) const {
        std::istringstream lines(output);
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind(name + " ", 0) == 0)
                return std::stoll(line.substr(name.size() + 1));
        }
        return -1;
    }
};

// Runs velorin-sim soak with the arguments, in a scratch folder of its own; the output is
// standard output followed by standard error.
Outcome soak(std::vector<std::string> arguments) {
    testing::TemporaryDeviceRoot scratch;
    arguments.insert(arguments.begin(), "soak");
    auto run = testing::runVelorinSim(scratch.path(), std::move(arguments));
    return {run.status, run.out + run.err};
}

// Every file under a folder with its size, to see that a run left it as it was.
std::map<std::string, std::uintmax_t> listing(const fs::path& folder) {
    std::map<std::string, std::uintmax_t> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        files[entry.path().string()] = entry.is_regular_file() ? entry.file_size() : 0;
    return files;
}

TEST(SoakCommandTest, FaultsInTheArgumentsStopItBeforeAnyEvent) {
    Outcome noDays = soak({"--days", "0"});
    EXPECT_EQ(noDays.status, 2);
    Outcome noRoot = soak({"--days", "1", "--root", "/nonexistent/velorin-root"});
    EXPECT_EQ(noRoot.status, 2);
    EXPECT_NE(noRoot.output.find("/nonexistent/velorin-root: no such device root"),
              std::string::npos);
    EXPECT_EQ(noRoot.figure("events"), -1);
}

TEST(SoakCommandTest, AnInterruptionEndsTheSoakAndRemovesItsRoot) {
    testing::TemporaryDeviceRoot scratch;
    fs::path temporary = scratch.path() / "tmp";
    fs::create_directory(temporary);
    // A signal sent once the soak has reported its first day, long before its last.
    testing::RunningProcess running(
        VELORIN_SIM_PATH, {"soak", "--days", "100000", "--root", VELORIN_BUILD_SAMPLE_ROOT},
        scratch.path(), {"TMPDIR=" + temporary.string()});
    ASSERT_TRUE(running.waitForOutput("day 1:"));
    running.signal(SIGINT);
    auto interrupted = running.finish();
    EXPECT_EQ(interrupted.status, 130);
    EXPECT_EQ(interrupted.err, "velorin-sim: interrupted; nothing was kept\n");
    EXPECT_TRUE(fs::is_empty(temporary));

    // SIGTERM while the root is being copied.
    auto copying = testing::runVelorinSim(
        scratch.path(), {"soak", "--days", "1", "--root", VELORIN_BUILD_SAMPLE_ROOT},
        {"TMPDIR=" + temporary.string(), "VELORIN_TEST_SIGNAL_AT_CHECK=2:TERM"});
    EXPECT_EQ(copying.status, 143);
    EXPECT_TRUE(fs::is_empty(temporary));
}

TEST(SoakCommandTest, ADayOnTheSampleRootKeepsEveryInvariant) {
    Outcome day = soak({"--days", "1", "--seed", "1", "--root", VELORIN_BUILD_SAMPLE_ROOT});
    EXPECT_EQ(day.status, 0) << day.output;
    EXPECT_GT(day.figure("events"), 500);
    EXPECT_GT(day.figure("showings"), 0);
    EXPECT_GT(day.figure("animated views"), 0);
    EXPECT_GT(day.figure("peak decoded bytes"), 0);
    EXPECT_EQ(day.figure("virtual time"), 86400);
}

TEST(SoakCommandTest, TheRootGivenIsOnlyCopied) {
    testing::TemporaryDeviceRoot root;
    root.writePreferences("com.tarnwick.velorin",
                          {{"enablebatteryanimation", platform::PropertyValue::boolean(true)},
                           {"batteryanimation", platform::PropertyValue::string("dots")}});
    for (int frame = 1; frame <= 3; ++frame)
        root.writeFile(std::string(sequenceRoot) + "dots/dot" + std::to_string(frame) + ".png",
                       testing::solidPng(6, 6, static_cast<std::uint8_t>(frame * 60)));
    auto before = listing(root.path());
    Outcome run = soak({"--days", "0.5", "--seed", "3", "--root", root.path().string()});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_GT(run.figure("animated views"), 0);
    EXPECT_EQ(listing(root.path()), before);
}

} // namespace
} // namespace velorin::tools
