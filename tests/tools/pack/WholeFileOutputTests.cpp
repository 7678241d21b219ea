// A package file appears whole or not at all: nothing at the target until the commit, nothing
// left when the output goes uncommitted, and a staging file left by a command killed outright
// removed by the next one, while one a live command holds is kept.
#include "tests/support/ChildProcess.h"
#include "tests/tools/common/SequenceFolders.h"
#include "tests/tools/import/ImportTestSupport.h"
#include "tools/pack/WholeFileOutput.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;

std::size_t entriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(WholeFileOutput, AppearsOnlyWhenCommittedAndLeavesNothingOtherwise) {
    testing::ScratchFolder scratch;
    std::string target = (scratch / "theme.deb").string();
    {
        auto output = WholeFileOutput::open(target, ExistingFile::Refuse);
        ASSERT_TRUE(output);
        ASSERT_EQ(::write(output.value()->descriptor(), "half", 4), 4);
        EXPECT_FALSE(fs::exists(target));
    }
    EXPECT_EQ(entriesIn(scratch.path()), 0u);

    auto output = WholeFileOutput::open(target, ExistingFile::Refuse);
    ASSERT_TRUE(output);
    ASSERT_EQ(::write(output.value()->descriptor(), "whole", 5), 5);
    ASSERT_TRUE(output.value()->commit());
    EXPECT_EQ(testing::readWholeFile(target), "whole");
    EXPECT_EQ(entriesIn(scratch.path()), 1u);
    // Existing: refused unless replacing; a folder never replaced.
    EXPECT_FALSE(WholeFileOutput::open(target, ExistingFile::Refuse));
    EXPECT_TRUE(WholeFileOutput::open(target, ExistingFile::Replace));
    fs::create_directory(scratch / "folder.deb");
    EXPECT_FALSE(WholeFileOutput::open((scratch / "folder.deb").string(), ExistingFile::Replace));
}

TEST(WholeFileOutput, RemovesStagingFilesNoLiveCommandHolds) {
    testing::ScratchFolder scratch;
    std::string target = (scratch / "theme.deb").string();
    fs::path abandoned = scratch / ".theme.deb-AbCdEf";
    testing::writeBytes(abandoned, "left by a killed pack");
    fs::path held = scratch / ".theme.deb-GhIjKl";
    testing::writeBytes(held, "being written");
    int lock = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    fs::path other = scratch / ".other.deb-MnOpQr";
    testing::writeBytes(other, "another package's");
    {
        auto output = WholeFileOutput::open(target, ExistingFile::Refuse);
        ASSERT_TRUE(output);
    }
    ::close(lock);
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_TRUE(fs::exists(held));
    EXPECT_TRUE(fs::exists(other));
}

} // namespace
} // namespace velorin::tools
