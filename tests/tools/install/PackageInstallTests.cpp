// velorin-sim install of a package (.deb), end to end: hostile packages refused whole with the
// root as it was, maintainer scripts never run and named, several sequences installed together
// or not at all, and list naming the package each sequence came from.
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SequenceFolders.h"
#include "tests/tools/common/SimProcess.h"
#include "tests/tools/import/ImportTestSupport.h"
#include "tests/tools/install/TestPackages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing::PackageEntry;
using Kind = testing::PackageEntry::Kind;

const std::string sequences = "var/jb/vod/Library/Velorin/chargingSequences/";

struct PackageScratch {
    testing::TemporaryDeviceRoot root;
    testing::ScratchFolder scratch;

    PackageScratch() { testing::writeFrames(root.hostPath(sequences + "old"), {"old1.png"}, 6, 6); }
    testing::SimOutcome run(std::vector<std::string> arguments) const {
        arguments.push_back("--root");
        arguments.push_back(root.path().string());
        return testing::runVelorinSim(scratch.path(), arguments);
    }
    fs::path write(const testing::TestPackage& package, const std::string& name) const {
        fs::path path = scratch / name;
        package.write(path);
        return path;
    }
};

TEST(PackageInstall, RefusesAHostilePackageWholeAndLeavesTheRootAsItWas) {
    PackageScratch scratch;
    auto before = testing::snapshotOf(scratch.root.path());
    struct Hostile {
        const char* name;
        PackageEntry entry;
        const char* reason;
    };
    const std::vector<Hostile> hostile{
        {"climbs", {testing::sequencePath("evil", "../../../../../../../../etc/frame.png"), Kind::File, "x"},
         "climbs out of its folder with \"..\""},
        {"absolute", {"/etc/velorin.png", Kind::File, "x"}, "is an absolute path"},
        {"link", {testing::sequencePath("good", "frame3.png"), Kind::SymbolicLink, "/etc/passwd"},
         "is a symbolic link"},
        {"hardlink", {testing::sequencePath("good", "frame3.png"), Kind::HardLink, "etc/passwd"},
         "is a hard link"},
        {"device", {testing::sequencePath("good", "frame3.png"), Kind::CharacterDevice, ""},
         "is a device file"},
        {"pipe", {testing::sequencePath("good", "frame3.png"), Kind::Pipe, ""}, "is a pipe"},
        {"outside", {"./usr/bin/velorin-helper", Kind::File, "#!/bin/sh\n"},
         "lies outside the sequences path"},
        {"beside", {"./" + sequences + "stray.png", Kind::File, "x"},
         "lies directly in the sequences folder"},
        {"hidden", {testing::sequencePath(".hidden", "frame1.png"), Kind::File, "x"},
         "whose name install refuses"},
    };
    for (const Hostile& package : hostile) {
        SCOPED_TRACE(package.name);
        testing::TestPackage built;
        // A sound sequence before the hostile entry: it must not be installed either.
        built.data = testing::sequenceEntries("good");
        built.data.push_back(package.entry);
        auto path = scratch.write(built, std::string(package.name) + ".deb");
        auto outcome = scratch.run({"install", path.string()});
        EXPECT_EQ(outcome.status, 2);
        EXPECT_THAT(outcome.err, HasSubstr(package.reason));
        EXPECT_THAT(outcome.err, HasSubstr("nothing of it installed"));
        EXPECT_EQ(testing::snapshotOf(scratch.root.path()), before);
    }
    // Not a package at all, and a package without a sequence.
    testing::writeBytes(scratch.scratch / "text.deb", "just some text\n");
    EXPECT_EQ(scratch.run({"install", (scratch.scratch / "text.deb").string()}).status, 2);
    testing::TestPackage empty;
    empty.data = {{"./", Kind::Folder, ""}};
    auto none = scratch.run({"install", scratch.write(empty, "empty.deb").string()});
    EXPECT_EQ(none.status, 2);
    EXPECT_THAT(none.err, HasSubstr("holds no sequence"));
    EXPECT_EQ(testing::snapshotOf(scratch.root.path()), before);
}

TEST(PackageInstall, NeverRunsMaintainerScriptsAndSaysTheyWereThere) {
    PackageScratch scratch;
    fs::path marker = scratch.scratch / "the-script-ran";
    testing::TestPackage package;
    package.data = testing::sequenceEntries("pulse");
    // What the device never reads is left out: a file in a subfolder and a note.
    package.data.push_back({testing::sequencePath("pulse", "extras/"), Kind::Folder, ""});
    package.data.push_back({testing::sequencePath("pulse", "extras/frame9.png"), Kind::File, "x"});
    package.data.push_back({testing::sequencePath("pulse", "README.txt"), Kind::File, "hello"});
    package.scripts = {{"postinst", "#!/bin/sh\ntouch " + marker.string() + "\n"},
                       {"prerm", "#!/bin/sh\nexit 0\n"}};
    auto outcome = scratch.run({"install", scratch.write(package, "pulse.deb").string()});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_THAT(outcome.out, HasSubstr("maintainer scripts (postinst, prerm); they were not run"));
    EXPECT_THAT(outcome.out, HasSubstr("Left out 2 files the device never reads"));
    EXPECT_FALSE(fs::exists(marker));
    fs::path installed = scratch.root.hostPath(sequences + "pulse");
    EXPECT_TRUE(fs::exists(installed / "frame1.png"));
    EXPECT_FALSE(fs::exists(installed / "extras"));
    EXPECT_FALSE(fs::exists(installed / "README.txt"));
}

TEST(PackageInstall, InstallsSeveralSequencesTogetherOrNoneAndListNamesThePackage) {
    PackageScratch scratch;
    testing::TestPackage package;
    package.identifier = "com.example.pair";
    package.data = testing::sequenceEntries("alpha");
    for (PackageEntry& entry : testing::sequenceEntries("old"))
        package.data.push_back(entry);
    auto path = scratch.write(package, "pair.deb");
    // "old" is there already: without --replace neither sequence is installed.
    auto refused = scratch.run({"install", path.string()});
    EXPECT_EQ(refused.status, 2);
    EXPECT_THAT(refused.err, HasSubstr("already exists"));
    EXPECT_FALSE(fs::exists(scratch.root.hostPath(sequences + "alpha")));
    EXPECT_TRUE(fs::exists(scratch.root.hostPath(sequences + "old/old1.png")));
    // --select cannot choose between two.
    EXPECT_EQ(scratch.run({"install", path.string(), "--replace", "--select"}).status, 2);

    auto replaced = scratch.run({"install", path.string(), "--replace"});
    ASSERT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_TRUE(fs::exists(scratch.root.hostPath(sequences + "alpha/frame2.png")));
    EXPECT_TRUE(fs::exists(scratch.root.hostPath(sequences + "old/frame2.png")));
    EXPECT_FALSE(fs::exists(scratch.root.hostPath(sequences + "old/old1.png")));
    // The record lies beside the sequences, where no listing of them sees it.
    EXPECT_TRUE(fs::exists(scratch.root.hostPath("var/jb/vod/Library/Velorin/installedPackages.json")));

    testing::writeFrames(scratch.root.hostPath(sequences + "alpha"), {"frame3.png"}, 6, 6);
    auto listed = scratch.run({"list"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_THAT(listed.out, HasSubstr("; from com.example.pair 1.0"));
    EXPECT_THAT(listed.out, HasSubstr("; changed since installed from com.example.pair 1.0"));
    EXPECT_THAT(listed.out, ::testing::Not(HasSubstr("installedPackages")));
}

} // namespace
} // namespace velorin::tools
