// The user's own device root: made once as a copy of the sample root, chosen by the
// environment, moved aside (never deleted) when reset, and never the sample root itself.
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SequenceFolders.h"
#include "tests/tools/common/SimProcess.h"
#include "tests/tools/install/TestPackages.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;

const std::string sequences = "var/jb/vod/Library/Velorin/chargingSequences";
const fs::path sampleRoot = VELORIN_BUILD_SAMPLE_ROOT;

// Every entry under a folder with its size and time of change, to show that nothing was
// written there.
std::map<std::string, std::string> listing(const fs::path& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        auto changed = fs::last_write_time(entry.path()).time_since_epoch().count();
        entries[entry.path().string()] =
            (entry.is_regular_file() ? std::to_string(entry.file_size()) : "folder") + " " +
            std::to_string(changed);
    }
    return entries;
}

TEST(UserRootTest, ASampleRootIsNeverTakenForTheUsersRoot) {
    testing::TemporaryDeviceRoot scratch;
    auto before = listing(sampleRoot);
    // The sample root itself, a folder inside it, and a folder that holds it.
    const std::vector<std::pair<fs::path, std::string>> roots{
        {sampleRoot, "is velorin-sim's sample root, which is never written"},
        {sampleRoot / "var/jb", "lies inside velorin-sim's sample root " + sampleRoot.string()},
        {sampleRoot.parent_path(), "holds velorin-sim's sample root " + sampleRoot.string()},
    };
    for (const auto& [root, how] : roots) {
        SCOPED_TRACE(root.string());
        for (const char* command : {"root", "list", "prefs"}) {
            auto outcome = testing::runVelorinSim(scratch.path(), {command},
                                                  {"VELORIN_ROOT=" + root.string()});
            EXPECT_EQ(outcome.status, 2);
            EXPECT_THAT(outcome.err,
                        ::testing::HasSubstr("velorin-sim: " + root.string() + ": " + how));
            EXPECT_THAT(outcome.err,
                        ::testing::HasSubstr("so it cannot be your device root; set VELORIN_ROOT "
                                             "to a folder of your own\n"));
        }
    }
    // The same root reached through XDG_DATA_HOME and a link.
    fs::create_directory_symlink(sampleRoot.parent_path(), scratch.path() / "link");
    fs::create_directories(scratch.path() / "data");
    fs::create_directory_symlink(sampleRoot, scratch.path() / "data/velorin");
    auto throughLink = testing::runVelorinSim(
        scratch.path(), {"root", "--reset"},
        {"VELORIN_ROOT=", "XDG_DATA_HOME=" + (scratch.path() / "data").string()});
    EXPECT_EQ(throughLink.status, 2);
    EXPECT_THAT(throughLink.err, ::testing::HasSubstr("lies inside velorin-sim's sample root"));
    auto linked =
        testing::runVelorinSim(scratch.path(), {"root"},
                               {"VELORIN_ROOT=" + (scratch.path() / "link/sample-root").string()});
    EXPECT_EQ(linked.status, 2);
    EXPECT_EQ(listing(sampleRoot), before);
}

TEST(UserRootTest, CommandsThatWriteRefuseTheSampleRootThatOthersMayRead) {
    testing::TemporaryDeviceRoot scratch;
    auto before = listing(sampleRoot);
    fs::path source = scratch.path() / "glow";
    testing::writeFrames(source, testing::numberedFrameNames("glow", 1, 2), 6, 6);
    fs::path package = scratch.path() / "glow.deb";
    testing::TestPackage{testing::sequenceEntries("glow"), {}}.write(package);
    const std::vector<std::vector<std::string>> writers{
        {"prefs", "set", "hidebattery", "false"},  {"prefs", "unset", "hidebattery"},
        {"install", source.string(), "--select"},  {"install", package.string()},
        {"import", source.string(), "--fps", "2"},
    };
    for (std::vector<std::string> arguments : writers) {
        SCOPED_TRACE(arguments[0] + " " + arguments[1]);
        arguments.insert(arguments.end(), {"--root", (sampleRoot / ".").string()});
        auto outcome = testing::runVelorinSim(scratch.path(), arguments);
        EXPECT_EQ(outcome.status, 2);
        EXPECT_THAT(outcome.err,
                    ::testing::HasSubstr("is velorin-sim's sample root, which is never written, "
                                         "so no command writes to it; give a root of your own, "
                                         "or leave out --root to use yours\n"));
    }
    EXPECT_EQ(listing(sampleRoot), before);
    auto reading = testing::runVelorinSim(scratch.path(), {"list", "--root", sampleRoot.string()});
    EXPECT_EQ(reading.status, 0) << reading.err;
    EXPECT_THAT(reading.out, ::testing::HasSubstr("particlespin"));
}

TEST(UserRootTest, AFileInTheWayIsAFaultAndNothingIsWritten) {
    testing::TemporaryDeviceRoot scratch;
    scratch.writeFile("in-the-way", "not a folder");
    auto outcome = testing::runVelorinSim(
        scratch.path(), {"settings"}, {"VELORIN_ROOT=" + (scratch.path() / "in-the-way").string()});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find("in-the-way: is not a folder"), std::string::npos) << outcome.err;
}

TEST(UserRootTest, MadeOnceAsACopyOfTheSampleAndUsedWithoutRoot) {
    testing::TemporaryDeviceRoot scratch;
    fs::path root = scratch.path() / "data/velorin/root";
    std::vector<std::string> environment{"VELORIN_ROOT=",
                                         "XDG_DATA_HOME=" + (scratch.path() / "data").string()};
    // A half-made copy, as a command killed while making the root leaves it.
    fs::path halfMade = scratch.path() / "data/velorin/.root.making-Ab12Cd";
    fs::create_directories(halfMade / "var");
    auto first = testing::runVelorinSim(scratch.path(), {"root"}, environment);
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, root.string() + "\n");
    EXPECT_NE(first.err.find("made your device root"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(root / sequences / "particlespin"));
    EXPECT_FALSE(fs::exists(halfMade));

    // The second use makes nothing and says nothing.
    auto edit = testing::runVelorinSim(
        scratch.path(), {"prefs", "set", "loopbatteryanimation", "true"}, environment);
    ASSERT_EQ(edit.status, 0) << edit.err;
    EXPECT_EQ(edit.err.find("made your device root"), std::string::npos);
    auto settings = testing::runVelorinSim(scratch.path(), {"settings"}, environment);
    EXPECT_NE(settings.out.find("loopbatteryanimation=true"), std::string::npos) << settings.out;
}

TEST(UserRootTest, ResetMovesTheOldRootAsideAndMakesAFreshOne) {
    testing::TemporaryDeviceRoot scratch;
    fs::path root = scratch.path() / "mine";
    std::vector<std::string> environment{"VELORIN_ROOT=" + root.string()};
    ASSERT_EQ(testing::runVelorinSim(scratch.path(), {"root"}, environment).status, 0);
    fs::create_directories(root / sequences / "installed");
    auto reset = testing::runVelorinSim(scratch.path(), {"root", "--reset"}, environment);
    ASSERT_EQ(reset.status, 0) << reset.err;
    EXPECT_FALSE(fs::exists(root / sequences / "installed"));
    std::size_t kept = 0;
    for (const auto& entry : fs::directory_iterator(scratch.path())) {
        if (entry.path().filename().string().starts_with("mine.old-")) {
            EXPECT_TRUE(fs::is_directory(entry.path() / sequences / "installed"));
            EXPECT_NE(reset.err.find(entry.path().string()), std::string::npos) << reset.err;
            ++kept;
        }
    }
    EXPECT_EQ(kept, 1u);
}

} // namespace
} // namespace velorin::tools
