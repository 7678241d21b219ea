// Where a writer lands inside a device root: the same walk as the readers', except that a path
// climbing out is refused, and only the folders of the destination's own path are made. And
// how the writers' failures read: the system's reason, a loop named, a size past a limit.
#include "common/ByteCount.h"
#include "common/RootedDestination.h"
#include "common/SystemCalls.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <cerrno>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace velorin {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const std::string sequences = "var/jb/vod/Library/Velorin/chargingSequences";

TEST(RootedDestinationTest, LinksClimbingOutAreRefusedAndNothingIsMade) {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot outside;
    root.makeFolder("var");
    fs::path jb = root.hostPath("var/jb");
    // Relative links that climb above the root, and an absolute one whose target the root
    // does not hold (read from the root, it names a folder that is not there).
    for (const fs::path& target :
         {fs::relative(outside.path(), root.hostPath("var")), fs::path("../../../../x"),
          fs::path(outside.path())}) {
        fs::create_directory_symlink(target, jb);
        auto folder = common::folderDestinationInRoot(root.path().string(), sequences, "shown");
        ASSERT_FALSE(folder.ok()) << target << " gave " << folder.value();
        EXPECT_EQ(folder.fault().file, "shown");
        EXPECT_THAT(folder.fault().message, HasSubstr("nothing is written"));
        auto rootFolder = platform::openRootFolder(root.path().string());
        auto file = common::fileDestinationInRoot(rootFolder.get(), sequences + "/../record.json",
                                                  common::MissingFolders::Make, "shown");
        EXPECT_FALSE(file.ok()) << target;
        fs::remove(jb);
    }
    EXPECT_TRUE(fs::is_empty(outside.path()));
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(root.hostPath("var")), {}),
              std::vector<fs::path>{});
}

TEST(RootedDestinationTest, ALinkThatStaysInTheRootLeadsWhereTheReadersLook) {
    testing::TemporaryDeviceRoot root;
    root.makeFolder("var/store/jb");
    fs::create_directory_symlink("/var/store/jb", root.hostPath("var/jb"));
    auto folder = common::folderDestinationInRoot(root.path().string(), sequences, "shown");
    ASSERT_TRUE(folder.ok()) << folder.fault().text();
    // The missing folders of the path's own are named for the caller to make, below the
    // link's real target.
    EXPECT_EQ(fs::path(folder.value()),
              fs::canonical(root.hostPath("var/store/jb")) / "vod/Library/Velorin/chargingSequences");
    EXPECT_FALSE(fs::exists(root.hostPath("var/store/jb/vod")));

    // ".." inside the root is followed, as the device follows it.
    root.makeFolder("var/store/jb/vod");
    fs::create_directory_symlink("../../store/jb/vod", root.hostPath("var/store/jb/again"));
    auto again = common::folderDestinationInRoot(root.path().string(), "var/jb/again", "shown");
    ASSERT_TRUE(again.ok()) << again.fault().text();
    EXPECT_EQ(fs::path(again.value()), fs::canonical(root.hostPath("var/store/jb")) / "vod");

    // A file where a folder is expected is refused.
    root.writeFile("var/store/jb/plain", "x");
    EXPECT_FALSE(common::folderDestinationInRoot(root.path().string(), "var/jb/plain", "s").ok());
}

TEST(RootedDestinationTest, AFolderALinkNamesIsNeverMade) {
    testing::TemporaryDeviceRoot root;
    root.makeFolder("var");
    fs::create_directory_symlink("/elsewhere/jb", root.hostPath("var/jb"));
    auto folder = common::folderDestinationInRoot(root.path().string(), sequences, "shown");
    ASSERT_FALSE(folder.ok());
    EXPECT_THAT(folder.fault().message, HasSubstr("(jb)"));
    EXPECT_THAT(folder.fault().message, HasSubstr("has no folder elsewhere"));
    EXPECT_FALSE(fs::exists(root.hostPath("elsewhere")));

    // A loop is named as one.
    fs::remove(root.hostPath("var/jb"));
    fs::create_directory_symlink("jb", root.hostPath("var/jb"));
    auto loop = common::folderDestinationInRoot(root.path().string(), sequences, "shown");
    ASSERT_FALSE(loop.ok());
    EXPECT_THAT(loop.fault().message, HasSubstr("loop"));
}

TEST(SystemCallsTest, AFailedWriteNamesItsReasonAndLeavesNoPartialFile) {
    testing::TemporaryDeviceRoot folder;
    // A link to the device that is always full: the write fails as on a full file system.
    fs::path full = folder.path() / "frame0001.png";
    fs::create_symlink("/dev/full", full);
    std::vector<std::uint8_t> bytes(100, 7);
    auto written = common::writeNewFile(full.string(), bytes)
                       .withContext(full.string(), "cannot be written");
    ASSERT_FALSE(written.ok());
    EXPECT_EQ(written.fault().systemError, ENOSPC);
    EXPECT_THAT(written.fault().text(), HasSubstr("cannot be written: No space left on device"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(full)));
    EXPECT_TRUE(fs::exists("/dev/full"));

    EXPECT_THAT(common::describeSystemError(ELOOP), HasSubstr("loop"));
}

TEST(ByteCountTest, ASizePastALimitNeverReadsAsTheLimit) {
    constexpr std::uint64_t mebibyte = 1024 * 1024;
    EXPECT_EQ(common::describeByteCountOver(64 * mebibyte + 1, 64 * mebibyte), "64 MiB + 1 byte");
    EXPECT_EQ(common::describeByteCountOver(64 * mebibyte + 512 * 1024, 64 * mebibyte),
              "64 MiB + 512 KiB");
    EXPECT_EQ(common::describeByteCountOver(80 * mebibyte, 64 * mebibyte), "80 MiB");
    EXPECT_EQ(common::describeByteCountOver(1536 * 1024, 1024 * 1024), "1.5 MiB");
    EXPECT_EQ(common::describeByteCountOver(10 * mebibyte, 64 * mebibyte), "10 MiB");
}

} // namespace
} // namespace velorin
