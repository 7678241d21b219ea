// The user's own device root: made once as a copy of the sample root, chosen by the
// environment, moved aside (never deleted) when reset.
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SimProcess.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;

const std::string sequences = "var/jb/vod/Library/Velorin/chargingSequences";

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
