// The simulator's private copies: the one copy rule for sequence folders, and the preference
// list copied as the extension reads it.
#include "platform/PreferenceStore.h"
#include "sequences/SequenceDirectory.h"
#include "settings/Settings.h"
#include "sim/PrivateCopy.h"
#include "sim/PrivatePreferenceDomain.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FolderContents.h"
#include "tests/support/FrameImages.h"
#include "tests/support/PrivateTemporaryFolder.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>

namespace velorin::sim {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class CopyRuleTest : public ::testing::Test {
protected:
    // Copies `source` (as its own root) into `target` by the copy rule.
    common::Result<void> copy(const common::InterruptionCheck& interrupted = {}) {
        platform::FileDescriptor from = platform::openRootFolder(source.string());
        platform::FileDescriptor into = platform::openRootFolder(target.string());
        common::CopyAllowance allowance = common::CopyAllowance::forFolder(target.string());
        return copySequenceFolder(from.get(), ".", source.string(), into.get(), allowance,
                                  interrupted);
    }

    testing::TemporaryDeviceRoot folders;
    fs::path source = folders.path() / "sequence";
    fs::path target = folders.path() / "copy";
    fs::path outside = folders.path() / "outside";
    CopyRuleTest() {
        fs::create_directories(source);
        fs::create_directories(target);
        testing::writeFileMakingFolders(outside / "secret.png", "secret frame");
        testing::writeFileMakingFolders(outside / "options.json", R"({"width": 1})");
    }
};

TEST_F(CopyRuleTest, NothingIsFollowedOutOfTheFolderAndOnlyFramesAndOptionsAreCopied) {
    testing::writeFileMakingFolders(source / "frame1.png", "first frame");
    // Links that lead out of the folder, relatively and absolutely.
    fs::create_symlink("../outside/secret.png", source / "frame2.png");
    fs::create_symlink(outside / "secret.png", source / "frame3.png");
    fs::create_symlink("../outside/options.json", source / "options.json");
    // A link that stays inside, a subfolder and a device-like entry named like frames.
    fs::create_symlink("frame1.png", source / "frame4.png");
    testing::writeFileMakingFolders(source / "x.png" / "inner.png", "inside a folder");
    ASSERT_EQ(::mkfifo((source / "pipe.png").c_str(), 0600), 0);
    // 64 GiB that take no room, past the frame limit; and what the extension never reads.
    testing::writeFileMakingFolders(source / "huge.png", "");
    fs::resize_file(source / "huge.png", std::uintmax_t{64} << 30);
    testing::writeFileMakingFolders(source / "notes.txt", "not a frame");
    testing::writeFileMakingFolders(source / "FRAME5.PNG", "not a frame either");
    testing::writeFileMakingFolders(source / "sub" / "frame6.png", "never entered");

    ASSERT_TRUE(copy().ok());
    EXPECT_EQ(testing::entriesOf(target), (std::map<std::string, std::string>{{"frame1.png", "11"},
                                                                              {"frame2.png", "0"},
                                                                              {"frame3.png", "0"},
                                                                              {"frame4.png", "11"},
                                                                              {"huge.png", "0"},
                                                                              {"pipe.png", "0"},
                                                                              {"x.png", "0"}}));
}

TEST_F(CopyRuleTest, AnInterruptionStopsTheCopy) {
    testing::writeFileMakingFolders(source / "frame1.png", "first frame");
    auto interrupted = copy([] { return true; });
    ASSERT_FALSE(interrupted.ok());
    EXPECT_EQ(interrupted.fault().message, common::interruptionFault().message);
}

TEST_F(CopyRuleTest, OptionsWithinTheirLimitAreCopiedByteForByte) {
    testing::writeFileMakingFolders(source / "frame1.png", "first frame");
    testing::writeFileMakingFolders(source / "options.json", R"({"width": 40})");
    ASSERT_TRUE(copy().ok());
    EXPECT_EQ(testing::readWholeFile(target / "options.json"), R"({"width": 40})");
}

TEST(PrivatePreferenceDomainTest, OnlyAListTheExtensionReadsIsCopied) {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot elsewhere;
    // Made after the roots, so that it holds only what the copies make.
    testing::PrivateTemporaryFolder temporary;
    std::string list = rootPreferenceFilePath(root.path().string(), preferenceDomain);
    // A sparse list of 1 GiB is refused by the extension, so nothing of it is copied.
    root.writePreferences(preferenceDomain,
                          {{"enablebatteryanimation", platform::PropertyValue::boolean(true)}});
    fs::resize_file(list, std::uintmax_t{1} << 30);
    {
        auto copy = PrivatePreferenceDomain::make(root.path().string(), preferenceDomain);
        ASSERT_TRUE(copy.ok()) << copy.fault().text();
        EXPECT_FALSE(fs::exists(copy.value()->filePath()));
    }
    // A link out of the root is read from the root, where nothing is.
    elsewhere.writePreferences(
        preferenceDomain, {{"enablebatteryanimation", platform::PropertyValue::boolean(true)}});
    fs::remove(list);
    fs::create_symlink(rootPreferenceFilePath(elsewhere.path().string(), preferenceDomain), list);
    {
        auto copy = PrivatePreferenceDomain::make(root.path().string(), preferenceDomain);
        ASSERT_TRUE(copy.ok());
        EXPECT_FALSE(fs::exists(copy.value()->filePath()));
    }
    // A list the extension reads is copied byte for byte.
    fs::remove(list);
    root.writePreferences(preferenceDomain,
                          {{"enablebatteryanimation", platform::PropertyValue::boolean(true)}});
    {
        auto copy = PrivatePreferenceDomain::make(root.path().string(), preferenceDomain);
        ASSERT_TRUE(copy.ok());
        EXPECT_EQ(testing::readWholeFile(copy.value()->filePath()), testing::readWholeFile(list));
    }
    EXPECT_TRUE(fs::is_empty(temporary.path()));
}

} // namespace
} // namespace velorin::sim
