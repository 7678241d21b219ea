// Bounded copies: the allowance every copy draws on, and a file that grows past its limit while
// it is copied.
#include "common/FileCopy.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FolderContents.h"
#include "tests/support/PrivateTemporaryFolder.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace velorin {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

TEST(CopyAllowanceTest, ACopyPastTheLimitIsRefusedSayingSo) {
    testing::TemporaryDeviceRoot folder;
    common::CopyAllowance allowance = common::CopyAllowance::forFolder(folder.path().string());
    auto past = allowance.take(common::privateCopyByteLimit + 1, "big.png");
    ASSERT_FALSE(past.ok());
    EXPECT_EQ(past.fault().file, "big.png");
    EXPECT_THAT(past.fault().message, HasSubstr("would pass"));
    // The file system's free space may be the smaller limit; either is named.
    EXPECT_TRUE(past.fault().message.find("2 GiB a private copy may take") != std::string::npos ||
                past.fault().message.find(" free in ") != std::string::npos)
        << past.fault().message;

    common::CopyAllowance whole = common::CopyAllowance::forFolder(folder.path().string());
    EXPECT_TRUE(whole.take(1024, "a.png").ok());
    EXPECT_FALSE(whole.take(common::privateCopyByteLimit, "b.png").ok());
}

TEST(FileCopyTest, ACopyPastItsLimitIsEmptyAndOneWithinItIsWhole) {
    testing::TemporaryDeviceRoot folders;
    testing::writeFileMakingFolders(folders.path() / "from" / "frame.png", "12345678");
    fs::create_directories(folders.path() / "to");
    platform::FileDescriptor root = platform::openRootFolder(folders.path().string());
    platform::FileDescriptor into(::open((folders.path() / "to").c_str(), O_PATH | O_DIRECTORY));
    auto allowance = common::CopyAllowance::forFolder(folders.path().string());
    // Measured within the limit, the file holds more when it is read: as one that grew.
    auto opened = common::openRegularFileInRoot(root.get(), "from/frame.png");
    ASSERT_TRUE(opened);
    opened->size = 4;
    ASSERT_TRUE(common::copyFileInto(std::move(opened), 4, into.get(), "short.png", "short.png",
                                     allowance));
    EXPECT_EQ(testing::readWholeFile(folders.path() / "to" / "short.png"), "");
    ASSERT_TRUE(common::copyFileInto(common::openRegularFileInRoot(root.get(), "from/frame.png"), 8,
                                     into.get(), "whole.png", "whole.png", allowance));
    EXPECT_EQ(testing::readWholeFile(folders.path() / "to" / "whole.png"), "12345678");
    // A folder is no regular file: an empty file stands for it.
    EXPECT_FALSE(common::openRegularFileInRoot(root.get(), "from"));
}

} // namespace
} // namespace velorin
