// The package reader's bounds: what passes the extension's read limits is kept as the copy
// rule keeps it, and a package whose entries claim more than install unpacks is refused.
#include "animation/FrameLoading.h"
#include "sequences/SequenceOptions.h"
#include "tests/support/ChildProcess.h"
#include "tests/tools/common/SequenceFolders.h"
#include "tests/tools/import/ImportTestSupport.h"
#include "tests/tools/install/TestPackages.h"
#include "tools/install/DebianPackageReader.h"

#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using testing::PackageEntry;

TEST(DebianPackageReader, KeepsWhatPassesTheReadLimitsAsTheCopyRuleKeepsIt) {
    testing::ScratchFolder scratch;
    testing::TestPackage package;
    package.data = testing::sequenceEntries("big");
    package.data.push_back({testing::sequencePath("big", "frame3.png"), PackageEntry::Kind::File,
                            std::string(frameFileByteLimit + 1, 'x')});
    package.data.push_back({testing::sequencePath("big", "options.json"), PackageEntry::Kind::File,
                            std::string(optionsFileByteLimit + 1, ' ')});
    package.data.push_back({testing::sequencePath("big", "._frame1.png"), PackageEntry::Kind::File,
                            "fork"});
    package.write(scratch / "big.deb");
    fs::create_directory(scratch / "unpacked");
    auto read = readDebianPackage((scratch / "big.deb").string(), (scratch / "unpacked").string(),
                                  {});
    ASSERT_TRUE(read) << read.fault().text();
    EXPECT_EQ(read.value().identifier, "com.example.test");
    EXPECT_EQ(read.value().version, "1.0");
    EXPECT_EQ(read.value().sequenceNames, std::vector<std::string>{"big"});
    fs::path big = scratch / "unpacked" / "big";
    // Past the frame limit the device would not decode it: an empty frame keeps its place.
    EXPECT_EQ(fs::file_size(big / "frame3.png"), 0u);
    EXPECT_GT(fs::file_size(big / "frame1.png"), 0u);
    EXPECT_FALSE(fs::exists(big / "options.json"));
    EXPECT_FALSE(fs::exists(big / "._frame1.png"));
    EXPECT_EQ(read.value().filesLeftOut, 1u);
}

TEST(DebianPackageReader, RefusesWhatItCannotReadAsAPackage) {
    testing::ScratchFolder scratch;
    fs::create_directory(scratch / "unpacked");
    auto refusal = [&](const std::string& bytes) {
        auto read = readDebianPackageBytes(
            {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, "x.deb",
            (scratch / "unpacked").string());
        return read ? std::string() : read.fault().message;
    };
    EXPECT_NE(refusal(""), "");
    EXPECT_NE(refusal("!<arch>\n").find("is no Debian package"), std::string::npos);
    testing::TestPackage package;
    package.data = testing::sequenceEntries("a");
    package.write(scratch / "a.deb");
    std::string bytes = testing::readWholeFile(scratch / "a.deb");
    std::string renamed = bytes;
    renamed.replace(renamed.find("debian-binary"), 13, "debian-binarz");
    EXPECT_NE(refusal(renamed).find("does not begin with a debian-binary"), std::string::npos);
    // A member that names another format is refused by its name, before it is read.
    auto member = bytes.find("data.tar.gz");
    ASSERT_NE(member, std::string::npos);
    bytes.replace(member, 11, "data.tar.zs");
    EXPECT_NE(refusal(bytes).find("compressed in a way install does not read"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(scratch / "unpacked"));
}

} // namespace
} // namespace velorin::tools
