// The one rule by which check, preview, install and list read a sequence argument: a folder
// when it holds a "/" or names a folder here, else a sequence in the root; the folder wins and
// says which sequence it hides; without an argument, the root's chosen sequence.
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SequenceFolders.h"
#include "tests/tools/common/SimProcess.h"
#include "tools/common/SequenceArgument.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const std::string sequences = "var/jb/vod/Library/Velorin/chargingSequences/";

// Runs the test from another current folder, and comes back.
class CurrentFolder {
public:
    explicit CurrentFolder(const fs::path& folder) : m_previous(fs::current_path()) {
        fs::current_path(folder);
    }
    ~CurrentFolder() { fs::current_path(m_previous); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    fs::path m_previous;
};

TEST(SequenceArgumentTest, AFolderHereWinsOverASequenceOfTheRootAndNamesIt) {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot here;
    const std::string rootPath = root.path().string();
    testing::writeFrames(root.hostPath(sequences + "pulse"), {"pulse1.png"});
    testing::writeFrames(root.hostPath(sequences + "glow"), {"glow1.png"});
    testing::writeFrames(here.path() / "pulse", {"mine1.png"});
    CurrentFolder current(here.path());

    auto missing = resolveSequenceArgument("nameless", rootPath);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.fault().text(),
              rootPath + "/" + sequences + "nameless: no such sequence (expected a folder)");
    EXPECT_FALSE(resolveSequenceArgument("", rootPath).ok());
    EXPECT_EQ(resolveSequenceArgument("./absent", rootPath).fault().text(),
              "./absent: no such sequence folder");

    ::testing::internal::CaptureStderr();
    auto hiding = resolveSequenceArgument("pulse", rootPath);
    std::string note = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(hiding.ok());
    EXPECT_EQ(hiding.value().kind, SequenceArgument::Kind::Folder);
    EXPECT_EQ(hiding.value().folder, "pulse");
    EXPECT_EQ(note, "velorin-sim: note: the folder \"pulse\" here is used; it hides the sequence "
                    "\"pulse\" of the device root (give " +
                        rootPath + "/" + sequences + "pulse to use that one)\n");

    ::testing::internal::CaptureStderr();
    auto withSlash = resolveSequenceArgument("./pulse", rootPath);
    auto named = resolveSequenceArgument("glow", rootPath);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "nothing is hidden";
    EXPECT_EQ(withSlash.value().kind, SequenceArgument::Kind::Folder);
    ASSERT_TRUE(named.ok());
    EXPECT_EQ(named.value().kind, SequenceArgument::Kind::Name);
    EXPECT_EQ(named.value().folder, rootPath + "/" + sequences + "glow");
    EXPECT_EQ(named.value().root, rootPath);
}

TEST(SequenceArgumentTest, CheckTakesANameAndPreviewPlaysTheRootsChoice) {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot scratch;
    const std::string rootPath = root.path().string();
    testing::writeFrames(root.hostPath(sequences + "glow"),
                         testing::numberedFrameNames("glow", 1, 2));
    root.writePreferences("com.tarnwick.velorin",
                          {{"batteryanimation", platform::PropertyValue::string("glow")}});

    auto checked = testing::runVelorinSim(scratch.path(), {"check", "glow", "--root", rootPath});
    EXPECT_EQ(checked.status, 0) << checked.err;
    EXPECT_THAT(checked.out,
                HasSubstr("Sequence folder: " + rootPath + "/" + sequences + "glow\n"));

    // A sequence linked to a folder elsewhere in the root is read as the device reads it.
    testing::writeFrames(root.hostPath("shared/rings"), testing::numberedFrameNames("ring", 1, 2));
    fs::create_directory_symlink("/shared/rings", root.hostPath(sequences + "rings"));
    auto linked = testing::runVelorinSim(scratch.path(), {"check", "rings", "--root", rootPath, "--frames"});
    EXPECT_EQ(linked.status, 0) << linked.err;
    EXPECT_THAT(linked.out, HasSubstr("1. ring1.png"));

    const std::vector<std::string> preview{"preview",
                                           "--root",
                                           rootPath,
                                           "--seconds",
                                           "1",
                                           "--fps",
                                           "2",
                                           "--scale",
                                           "1",
                                           "--out",
                                           (scratch.path() / "out").string()};
    auto previewed = testing::runVelorinSim(scratch.path(), preview);
    EXPECT_EQ(previewed.status, 0) << previewed.err;
    EXPECT_THAT(previewed.out, HasSubstr("Previewed glow: 2 frames"));

    root.writePreferences("com.tarnwick.velorin",
                          {{"batteryanimation", platform::PropertyValue::string("glwo")}});
    auto misspelt = testing::runVelorinSim(scratch.path(), preview);
    EXPECT_EQ(misspelt.status, 2);
    EXPECT_EQ(misspelt.err, "velorin-sim: " + rootPath + "/" + sequences +
                                "glwo: no such sequence (expected a folder), though the root's "
                                "batteryanimation chooses \"glwo\"\n");
}

} // namespace
} // namespace velorin::tools
