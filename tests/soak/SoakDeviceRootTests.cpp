// The soak's own device root: a private copy that holds what the extension reads, found inside
// the root given, and the edits the soak makes to it.
#include "sequences/SequenceDirectory.h"
#include "settings/Settings.h"
#include "sim/PrivatePreferenceDomain.h"
#include "soak/SoakDeviceRoot.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FolderContents.h"
#include "tests/support/PrivateTemporaryFolder.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace velorin::soak {
namespace {

namespace fs = std::filesystem;

TEST(SoakRootCopyTest, TheCopyHoldsWhatTheExtensionReadsInsideTheRoot) {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot elsewhere;
    // Made after the roots, so that it holds only what the copy makes.
    testing::PrivateTemporaryFolder temporary;
    fs::path sequences = root.hostPath(sequenceRoot);
    testing::writeFileMakingFolders(sequences / "dots" / "dot1.png", "a dot");
    testing::writeFileMakingFolders(sequences / "dots" / "readme.txt", "not read");
    // A sequence linked to an absolute path is read from the root, as on the device.
    testing::writeFileMakingFolders(root.hostPath("shared/rings/ring1.png"), "a ring");
    fs::create_symlink("/shared/rings", sequences / "rings");
    // One linked to a folder of this machine outside the root finds nothing there.
    testing::writeFileMakingFolders(elsewhere.path() / "stolen" / "frame1.png", "outside");
    fs::create_symlink(elsewhere.path() / "stolen", sequences / "stolen");
    // Files the extension never reads, however large, are not copied.
    testing::writeFileMakingFolders(root.hostPath("var/mobile/huge.bin"), "");
    fs::resize_file(root.hostPath("var/mobile/huge.bin"), std::uintmax_t{64} << 30);
    root.writePreferences(preferenceDomain,
                          {{"enablebatteryanimation", platform::PropertyValue::boolean(true)}});

    auto copied = SoakDeviceRoot::copy(root.path().string());
    ASSERT_TRUE(copied.ok()) << copied.fault().text();
    fs::path copy = copied.value()->path();
    EXPECT_EQ(copied.value()->sequenceNames(), (std::vector<std::string>{"dots", "rings"}));
    auto entries = testing::entriesOf(copy);
    EXPECT_EQ(entries.count("var/mobile/huge.bin"), 0u);
    EXPECT_EQ(entries[std::string(sequenceRoot) + "rings/ring1.png"], "6");
    EXPECT_EQ(entries.count(std::string(sequenceRoot) + "dots/readme.txt"), 0u);
    EXPECT_EQ(testing::readWholeFile(sim::rootPreferenceFilePath(copy.string(), preferenceDomain)),
              testing::readWholeFile(
                  sim::rootPreferenceFilePath(root.path().string(), preferenceDomain)));
    EXPECT_TRUE(copied.value()->swapFolders("dots", "rings"));
    EXPECT_TRUE(copied.value()->addFrame("dots", 2, 4, 4, 0xFF0000));
    EXPECT_TRUE(fs::is_regular_file(copy / sequenceRoot / "dots" / "ring02.png"));
    EXPECT_TRUE(copied.value()->removeFrame("dots", 0));
    copied.value().reset();
    EXPECT_TRUE(fs::is_empty(temporary.path()));

    auto interrupted = SoakDeviceRoot::copy(root.path().string(), [] { return true; });
    ASSERT_FALSE(interrupted.ok());
    EXPECT_TRUE(fs::is_empty(temporary.path()));
}

} // namespace
} // namespace velorin::soak
