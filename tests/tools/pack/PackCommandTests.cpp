// velorin-sim pack, end to end: values and sequences it refuses (writing nothing), and a
// package that dpkg-deb accepts, whose files are root's with plain permissions, and whose
// contents, unpacked into a device root, play; and the same package installed in the
// simulator.
#include "tests/support/ChildProcess.h"
#include "tests/tools/common/SequenceFolders.h"
#include "tests/tools/common/SimProcess.h"
#include "tests/tools/import/ImportTestSupport.h"
#include "tests/tools/import/sources/lottie/LottieTestFile.h"
#include "tools/pack/PackageControl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const std::string author = "Ada Lovelace <ada@example.com>";

struct PackScratch {
    testing::ScratchFolder scratch;
    fs::path themes = scratch / "themes";
    fs::path out = scratch / "out";

    PackScratch() {
        fs::create_directories(themes);
        fs::create_directories(out);
        testing::writeFrames(themes / "throb", testing::numberedFrameNames("throb", 1, 4), 12, 12);
    }
    testing::SimOutcome run(std::vector<std::string> arguments) const {
        return testing::runVelorinSim(scratch.path(), arguments);
    }
    testing::ProcessOutcome dpkgDeb(std::vector<std::string> arguments) const {
        return testing::runProcess("/usr/bin/dpkg-deb", arguments, scratch.path());
    }
};

TEST(PackCommand, RefusesBadValuesAndFaultySequencesWritingNothing) {
    PackScratch scratch;
    std::string throb = (scratch.themes / "throb").string();
    std::vector<std::string> base{"pack", throb, "--out", scratch.out.string()};
    auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> arguments = base;
        arguments.insert(arguments.end(), more.begin(), more.end());
        return scratch.run(arguments);
    };
    for (auto [option, value, reason] :
         {std::tuple{"--id", "Com.Example.Pulse", "lower-case"},
          std::tuple{"--id", "pulse", "reverse-DNS"},
          std::tuple{"--version", "beta", "must begin with a digit"},
          std::tuple{"--version", "1.0-", "revision"},
          std::tuple{"--arch", "ARM64", "architecture"},
          std::tuple{"--author", "Ada", "a name and an address"},
          std::tuple{"--description", "two\nlines", "line break"},
          std::tuple{"--compression", "zstd", "expected xz or gzip"}}) {
        SCOPED_TRACE(value);
        auto outcome = std::string(option) == "--author"
                           ? with({option, value})
                           : with({"--author", author, option, value});
        EXPECT_EQ(outcome.status, 2);
        EXPECT_THAT(outcome.err, HasSubstr(reason));
    }
    // Without an author or DEBFULLNAME and DEBEMAIL.
    EXPECT_THAT(with({}).err, HasSubstr("say who made the package"));
    // Frames that check finds out of order are packed only when forced.
    testing::writeFrames(scratch.themes / "jumble", testing::numberedFrameNames("a", 1, 12), 12, 12);
    auto jumble = scratch.run({"pack", (scratch.themes / "jumble").string(), "--out",
                               scratch.out.string(), "--author", author});
    EXPECT_EQ(jumble.status, 2);
    EXPECT_THAT(jumble.err, HasSubstr("is not packed: check finds"));
    EXPECT_THAT(jumble.err, HasSubstr("--force packs it"));
    EXPECT_TRUE(fs::is_empty(scratch.out));
    auto forced = scratch.run({"pack", (scratch.themes / "jumble").string(), "--out",
                               scratch.out.string(), "--author", author, "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    // An existing package is kept unless replacing.
    fs::path package = scratch.out / "local.velorin.jumble_1.0_all.deb";
    std::string first = testing::readWholeFile(package);
    auto again = scratch.run({"pack", (scratch.themes / "jumble").string(), "--out",
                              scratch.out.string(), "--author", author, "--force"});
    EXPECT_EQ(again.status, 2);
    EXPECT_THAT(again.err, HasSubstr("already exists (--replace replaces it)"));
    EXPECT_EQ(testing::readWholeFile(package), first);
    // Nothing but the one package: no staging file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.out), fs::directory_iterator()), 1);
}

TEST(PackCommand, ChecksVersionsAsDebianWritesThem) {
    for (const char* good : {"1.0", "1:2.3-1", "2.0~beta1", "0.9+git20240101-2ubuntu1"})
        EXPECT_FALSE(debianVersionProblem(good)) << good;
    for (const char* bad : {"", "a1", "1.0-", "1:", "x:1.0", "1.0_1", "1 0"})
        EXPECT_TRUE(debianVersionProblem(bad)) << bad;
}

TEST(PackCommand, MakesAPackageDpkgAcceptsWhoseRootPlays) {
    PackScratch scratch;
    testing::SquareAnimation{}.write(scratch.scratch / "square.json");
    auto imported = scratch.run({"import", (scratch.scratch / "square.json").string(), "--out",
                                 scratch.themes.string(), "--fps", "10"});
    ASSERT_EQ(imported.status, 0) << imported.err;
    for (const char* compression : {"xz", "gzip"}) {
        SCOPED_TRACE(compression);
        fs::path package = scratch.out / (std::string(compression) + ".deb");
        auto packed = scratch.run({"pack", (scratch.themes / "square").string(), "--add",
                                   (scratch.themes / "throb").string(), "--id",
                                   "com.example.square", "--version", "1.2-1", "--author", author,
                                   "--depends", "com.example.base (>= 1.0)", "--compression",
                                   compression, "--out", package.string()});
        ASSERT_EQ(packed.status, 0) << packed.err;
        EXPECT_THAT(packed.out, HasSubstr("dpkg -i"));

        auto info = scratch.dpkgDeb({"--info", package.string()});
        ASSERT_EQ(info.status, 0) << info.err;
        for (const char* field :
             {"Package: com.example.square", "Name: square, throb", "Version: 1.2-1",
              "Architecture: all", "Maintainer: Ada Lovelace <ada@example.com>",
              "Author: Ada Lovelace <ada@example.com>", "Section: Themes",
              "Depends: com.example.base (>= 1.0)", "Installed-Size: ",
              "Description: Charging animation for Velorin: square, throb"})
            EXPECT_THAT(info.out, HasSubstr(field));
        auto contents = scratch.dpkgDeb({"--contents", package.string()});
        ASSERT_EQ(contents.status, 0) << contents.err;
        EXPECT_THAT(contents.out,
                    HasSubstr("drwxr-xr-x root/root         0 "));
        EXPECT_THAT(contents.out, HasSubstr("./var/jb/vod/Library/Velorin/chargingSequences/square/"
                                            "frame0001.png"));
        EXPECT_THAT(contents.out, HasSubstr("./var/jb/vod/Library/Velorin/chargingSequences/throb/"
                                            "throb4.png"));
        EXPECT_THAT(contents.out, HasSubstr("-rw-r--r-- root/root"));
        EXPECT_THAT(contents.out, ::testing::Not(HasSubstr("rwx------")));
    }

    // Unpacked as the device's dpkg unpacks it, the root plays the sequence.
    fs::path device = scratch.scratch / "device";
    ASSERT_EQ(scratch.dpkgDeb({"-x", (scratch.out / "xz.deb").string(), device.string()}).status, 0);
    ASSERT_EQ(scratch.run({"prefs", "set", "batteryanimation", "square", "--root", device.string()})
                  .status,
              0);
    ASSERT_EQ(scratch.run({"prefs", "set", "enablebatteryanimation", "true", "--root",
                           device.string()})
                  .status,
              0);
    testing::writeBytes(scratch.scratch / "plug.scenario",
                        "profile modern\nat 0 launch\nat 0.5 lock\nat 1 plug\nat 6 end\n");
    auto played = scratch.run({"run", (scratch.scratch / "plug.scenario").string(), "--root",
                               device.string()});
    ASSERT_EQ(played.status, 0) << played.err;
    EXPECT_THAT(played.out, HasSubstr("animation UIImageView#1 frames=31 duration=3"));

    // The same package tried in the simulator, on the user's own root.
    auto installed = scratch.run({"install", (scratch.out / "gzip.deb").string()});
    ASSERT_EQ(installed.status, 0) << installed.err << installed.out;
    auto listed = scratch.run({"list"});
    EXPECT_THAT(listed.out, HasSubstr("from com.example.square 1.2-1"));
}

} // namespace
} // namespace velorin::tools
