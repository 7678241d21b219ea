// Output written whole: the staging folders and their lock, what is made on the way to them,
// moving into place and exchanging, and the temporary folders built on them.
#include "common/ExclusiveLock.h"
#include "common/SystemCalls.h"
#include "common/TemporaryFolder.h"
#include "common/WholeOutput.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PrivateTemporaryFolder.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velorin {
namespace {

namespace fs = std::filesystem;

ino_t inodeOf(const fs::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

// Runs `change` once, in the moment between the lock's opening of a file and its flock.
class ChangeBeforeLock {
public:
    explicit ChangeBeforeLock(std::function<void()> change) {
        common::setLockSeamForTesting([this, change](int, common::LockWait) {
            if (m_done)
                return;
            m_done = true;
            change();
        });
    }
    ~ChangeBeforeLock() { common::setLockSeamForTesting({}); }

private:
    bool m_done{false};
};

TEST(ExclusiveLockTest, AFolderReplacedBetweenOpenAndLockIsNotTheOneHeld) {
    testing::TemporaryDeviceRoot folders;
    fs::path staging = folders.path() / ".clip.importing-Ab12Cd";
    auto replace = [&] {
        fs::rename(staging, folders.path() / "elsewhere");
        fs::create_directory(staging);
    };
    fs::create_directory(staging);
    {
        ChangeBeforeLock change(replace);
        auto givenUp = common::ExclusiveLock::onFolder(staging.string(), common::LockWait::GiveUp);
        ASSERT_FALSE(givenUp.ok()) << "the folder locked is no longer the one at the path";
        EXPECT_EQ(givenUp.fault().systemError, EWOULDBLOCK);
    }
    fs::remove_all(folders.path() / "elsewhere");
    {
        ChangeBeforeLock change(replace);
        auto waited = common::ExclusiveLock::onFolder(staging.string(), common::LockWait::Wait);
        ASSERT_TRUE(waited.ok()) << waited.fault().text();
        struct stat held {};
        ASSERT_EQ(::fstat(waited.value().descriptor(), &held), 0);
        EXPECT_EQ(held.st_ino, inodeOf(staging)) << "the folder now at the path is the one locked";
        EXPECT_NE(held.st_ino, inodeOf(folders.path() / "elsewhere"));
    }
    auto missing = common::ExclusiveLock::onFolder((folders.path() / "gone").string(),
                                                   common::LockWait::GiveUp);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.fault().systemError, ENOENT);
    EXPECT_EQ(missing.fault().message, common::describeSystemError(ENOENT));
}

TEST(WholeOutputTest, WhatWasMadeGoesUnlessKeptButNeverWhatOthersPutThere) {
    testing::TemporaryDeviceRoot folders;
    fs::path deep = folders.path() / "a" / "b" / "c";
    {
        auto made = common::MadeFolders::make(deep);
        ASSERT_TRUE(made.ok());
        EXPECT_TRUE(fs::is_directory(deep));
    }
    EXPECT_FALSE(fs::exists(folders.path() / "a"));
    {
        auto made = common::MadeFolders::make(deep);
        ASSERT_TRUE(made.ok());
        std::ofstream(folders.path() / "a" / "theirs.txt") << "someone else's";
    }
    EXPECT_FALSE(fs::exists(folders.path() / "a" / "b"));
    EXPECT_TRUE(fs::exists(folders.path() / "a" / "theirs.txt"));
    {
        auto made = common::MadeFolders::make(deep);
        ASSERT_TRUE(made.ok());
        made.value().keep();
    }
    EXPECT_TRUE(fs::is_directory(deep));
    std::ofstream(folders.path() / "file") << "not a folder";
    auto blocked = common::MadeFolders::make(folders.path() / "file" / "below");
    ASSERT_FALSE(blocked.ok());
    EXPECT_NE(blocked.fault().systemError, 0);
}

TEST(WholeOutputTest, AStagingFolderGoesUnlessMovedAndMovingNeverReplaces) {
    testing::TemporaryDeviceRoot folders;
    std::string destination = (folders.path() / "clip").string();
    std::string stagingPath;
    {
        auto staging = common::StagingFolder::make(folders.path(), "clip.importing");
        ASSERT_TRUE(staging.ok());
        stagingPath = staging.value().path();
        EXPECT_EQ(fs::path(stagingPath).filename().string().rfind(".clip.importing-", 0), 0u);
        std::ofstream(staging.value().pathOf("frame1.png")) << "new";
        fs::create_directory(destination);
        auto refused = common::moveIntoPlace(stagingPath, destination);
        ASSERT_FALSE(refused.ok());
        EXPECT_TRUE(refused.fault().systemError == EEXIST ||
                    refused.fault().systemError == ENOTEMPTY);
        fs::remove(destination);
        ASSERT_TRUE(common::moveIntoPlace(stagingPath, destination).ok());
        staging.value().moved();
    }
    EXPECT_EQ(testing::readWholeFile(fs::path(destination) / "frame1.png"), "new");
    {
        auto staging = common::StagingFolder::make(folders.path(), "clip.importing");
        ASSERT_TRUE(staging.ok());
        stagingPath = staging.value().path();
        std::ofstream(staging.value().pathOf("frame1.png")) << "newer";
        ASSERT_TRUE(common::exchangeFolders(stagingPath, destination).ok());
        EXPECT_EQ(testing::readWholeFile(fs::path(destination) / "frame1.png"), "newer");
        EXPECT_EQ(testing::readWholeFile(fs::path(stagingPath) / "frame1.png"), "new");
    }
    EXPECT_FALSE(fs::exists(stagingPath)) << "what the exchange put there goes with it";
}

std::size_t entriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

void writeThrough(const common::WholeFile& file, std::string_view bytes) {
    ASSERT_EQ(::write(file.descriptor(), bytes.data(), bytes.size()),
              static_cast<ssize_t>(bytes.size()));
}

TEST(WholeFileTest, AppearsOnlyWhenCommittedAndLeavesNothingOtherwise) {
    testing::TemporaryDeviceRoot folders;
    std::string target = (folders.path() / "theme.deb").string();
    {
        auto output = common::WholeFile::make(target);
        ASSERT_TRUE(output.ok()) << output.fault().text();
        writeThrough(output.value(), "half");
        EXPECT_FALSE(fs::exists(target));
    }
    EXPECT_EQ(entriesIn(folders.path()), 0u) << "an uncommitted file leaves nothing";

    auto output = common::WholeFile::make(target);
    ASSERT_TRUE(output.ok());
    writeThrough(output.value(), "whole");
    ASSERT_TRUE(output.value().commit(common::ExistingFile::Refuse).ok());
    EXPECT_EQ(testing::readWholeFile(target), "whole");
    EXPECT_EQ(entriesIn(folders.path()), 1u) << "the staging folder goes with the commit";

    // A file at the name: kept unless replacing is asked for.
    auto again = common::WholeFile::make(target);
    ASSERT_TRUE(again.ok());
    writeThrough(again.value(), "again");
    auto refused = again.value().commit(common::ExistingFile::Refuse);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.fault().systemError, EEXIST);
    EXPECT_EQ(testing::readWholeFile(target), "whole");
    auto replacing = common::WholeFile::make(target);
    ASSERT_TRUE(replacing.ok());
    writeThrough(replacing.value(), "replaced");
    ASSERT_TRUE(replacing.value().commit(common::ExistingFile::Replace).ok());
    EXPECT_EQ(testing::readWholeFile(target), "replaced");

    // Something that is no regular file: never replaced.
    std::string folder = (folders.path() / "folder.deb").string();
    fs::create_directory(folder);
    auto overFolder = common::WholeFile::make(folder);
    ASSERT_TRUE(overFolder.ok());
    auto kept = overFolder.value().commit(common::ExistingFile::Replace);
    ASSERT_FALSE(kept.ok());
    EXPECT_EQ(kept.fault().systemError, EEXIST);
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST(WholeFileTest, RemovesStagingFoldersNoLiveCommandHolds) {
    testing::TemporaryDeviceRoot folders;
    std::string target = (folders.path() / "theme.deb").string();
    const fs::path abandoned = folders.path() / ".theme.deb.making-AbCdEf";
    const fs::path held = folders.path() / ".theme.deb.making-GhIjKl";
    const fs::path other = folders.path() / ".other.deb.making-MnOpQr";
    for (const fs::path& staging : {abandoned, held, other}) {
        fs::create_directory(staging);
        std::ofstream(staging / "package") << "part of a package";
    }
    platform::FileDescriptor lock(::open(held.c_str(), O_RDONLY | O_DIRECTORY));
    ASSERT_EQ(::flock(lock.get(), LOCK_EX), 0);
    {
        auto output = common::WholeFile::make(target);
        ASSERT_TRUE(output.ok());
    }
    EXPECT_FALSE(fs::exists(abandoned)) << "left by a command killed outright";
    EXPECT_TRUE(fs::exists(held / "package")) << "a live command writes it";
    EXPECT_TRUE(fs::exists(other / "package")) << "another package's";
}

TEST(TemporaryFolderTest, OneLeftByAKilledCommandGoesWithTheNextWhileOneInUseStays) {
    testing::PrivateTemporaryFolder temporary;
    const fs::path abandoned = temporary.path() / "velorin-sim-Ab12Cd";
    const fs::path inUse = temporary.path() / "velorin-sim-Ef34Gh";
    const fs::path unrelated = temporary.path() / "my-velorin-sim-Ab12Cd";
    for (const fs::path& folder : {abandoned, inUse, unrelated}) {
        fs::create_directory(folder);
        std::ofstream(folder / "list.plist") << "copied";
    }
    platform::FileDescriptor held(::open(inUse.c_str(), O_RDONLY | O_DIRECTORY));
    ASSERT_EQ(::flock(held.get(), LOCK_EX), 0);
    std::string made;
    {
        auto folder = common::TemporaryFolder::make("velorin-sim");
        ASSERT_TRUE(folder.ok()) << folder.fault().text();
        made = folder.value().path();
        EXPECT_TRUE(fs::is_directory(made));
        EXPECT_FALSE(fs::exists(abandoned));
        EXPECT_TRUE(fs::exists(inUse / "list.plist"));
        EXPECT_TRUE(fs::exists(unrelated / "list.plist"));
    }
    EXPECT_FALSE(fs::exists(made)) << "removed with its owner";
}

} // namespace
} // namespace velorin
