// Every command that writes into a device root lands where the readers of the root look: a
// sequences folder (or var/jb) that is a link leading out of the root, relative or absolute,
// is refused with nothing written anywhere and the preference list unchanged; a link that
// stays inside the root is followed, and the extension then finds what was written.
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SequenceFolders.h"
#include "tests/tools/common/SimProcess.h"
#include "tests/tools/import/ImportTestSupport.h"
#include "tests/tools/import/TestMedia.h"
#include "tests/tools/install/TestPackages.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const std::string jb = "var/jb";
const std::string sequences = "var/jb/vod/Library/Velorin/chargingSequences";
const std::string preferenceList = "var/mobile/Library/Preferences/com.tarnwick.velorin.plist";

struct LinkedRoot {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot outside;
    testing::TemporaryDeviceRoot here;
    fs::path frames = here.path() / "rings";
    fs::path still = here.path() / "still.png";
    fs::path package = here.path() / "com.example.rings.deb";

    LinkedRoot() {
        testing::writeFrames(frames, {"rings1.png", "rings2.png"}, 40, 40);
        testing::writePng(still, testing::Picture::filled(40, 40, {200, 10, 10, 255}));
        testing::TestPackage built;
        built.data = testing::sequenceEntries("packed");
        built.write(package);
        root.writePreferences("com.tarnwick.velorin",
                              {{"loopbatteryanimation", platform::PropertyValue::boolean(true)}});
    }
    // Each writing command, with --select where it chooses what it wrote.
    std::vector<std::vector<std::string>> writers() const {
        std::string at = root.path().string();
        return {{"install", frames.string(), "--select", "--root", at},
                {"install", package.string(), "--select", "--root", at},
                {"import", still.string(), "red", "--root", at}};
    }
    testing::SimOutcome run(const std::vector<std::string>& arguments) const {
        return testing::runVelorinSim(here.path(), arguments);
    }
};

TEST(WritersStayInRootTest, ALinkLeadingOutIsRefusedWithNothingWrittenAnywhere) {
    LinkedRoot scratch;
    fs::create_directories(scratch.root.hostPath(sequences));
    auto rootBefore = testing::snapshotOf(scratch.root.path());
    std::string listBefore = testing::readWholeFile(scratch.root.hostPath(preferenceList));
    fs::path outsideSequences = scratch.outside.path() / "chargingSequences";
    fs::create_directories(outsideSequences);
    auto outsideBefore = testing::snapshotOf(scratch.outside.path());
    struct Escape {
        std::string link;
        fs::path target;
    };
    const fs::path varFolder = scratch.root.hostPath("var");
    const fs::path velorinFolder = scratch.root.hostPath(sequences).parent_path();
    for (const Escape& escape :
         {Escape{jb, fs::relative(scratch.outside.path(), varFolder)},
          Escape{jb, scratch.outside.path()},
          Escape{sequences, fs::relative(outsideSequences, velorinFolder)},
          Escape{sequences, outsideSequences}}) {
        fs::path link = scratch.root.hostPath(escape.link);
        fs::path keptAside = link.string() + ".kept";
        fs::rename(link, keptAside);
        fs::create_directory_symlink(escape.target, link);
        auto linkedBefore = testing::snapshotOf(scratch.root.path());
        for (const auto& arguments : scratch.writers()) {
            auto outcome = scratch.run(arguments);
            EXPECT_EQ(outcome.status, 2) << escape.link << " -> " << escape.target << ": "
                                         << arguments[0] << "\n"
                                         << outcome.err;
            EXPECT_THAT(outcome.err, HasSubstr("nothing is written")) << escape.target;
            EXPECT_EQ(testing::snapshotOf(scratch.outside.path()), outsideBefore)
                << escape.target << ": " << arguments[0];
            EXPECT_EQ(testing::snapshotOf(scratch.root.path()), linkedBefore) << escape.target;
            EXPECT_EQ(testing::readWholeFile(scratch.root.hostPath(preferenceList)), listBefore);
        }
        fs::remove(link);
        fs::rename(keptAside, link);
    }
    EXPECT_EQ(testing::snapshotOf(scratch.root.path()), rootBefore);
}

TEST(WritersStayInRootTest, ALinkThatStaysInTheRootIsFollowedAndWhatIsWrittenPlays) {
    LinkedRoot scratch;
    // var/jb is an absolute link read from the root, as on the device.
    scratch.root.makeFolder("private/jb");
    scratch.root.makeFolder("var");
    fs::create_directory_symlink("/private/jb", scratch.root.hostPath(jb));
    for (const auto& arguments : scratch.writers()) {
        auto outcome = scratch.run(arguments);
        EXPECT_EQ(outcome.status, 0) << arguments[1] << "\n" << outcome.err;
    }
    const std::string landed = "private/jb/vod/Library/Velorin/chargingSequences/";
    for (const char* name : {"rings", "packed", "red"})
        EXPECT_TRUE(fs::is_directory(scratch.root.hostPath(landed + name))) << name;
    EXPECT_TRUE(fs::exists(scratch.root.hostPath("private/jb/vod/Library/Velorin/"
                                                 "installedPackages.json")));
    // The chosen sequence is one the extension finds: `list` and `settings` read it as it does.
    auto listed = scratch.run({"list", "--root", scratch.root.path().string()});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_THAT(listed.out, HasSubstr("packed"));
    EXPECT_THAT(listed.out, HasSubstr("rings"));
    EXPECT_THAT(listed.out, HasSubstr("red"));
}

} // namespace
} // namespace velorin::tools
