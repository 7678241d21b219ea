// The simulator's private copies: the one copy rule for sequence folders, the preference list
// copied as the extension reads it, the allowance every copy draws on, the soak's root, and the
// temporary folders they are made in.
#include "common/TemporaryFolder.h"
#include "platform/PreferenceStore.h"
#include "sequences/SequenceDirectory.h"
#include "settings/Settings.h"
#include "sim/PrivateCopy.h"
#include "sim/PrivatePreferenceDomain.h"
#include "sim/SoakDeviceRoot.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FrameImages.h"
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

// Every entry under a folder: a file's size, "folder" or "link".
std::map<std::string, std::string> entriesOf(const fs::path& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::string name = fs::relative(entry.path(), folder).string();
        if (entry.is_symlink())
            entries[name] = "link";
        else if (entry.is_directory())
            entries[name] = "folder";
        else
            entries[name] = std::to_string(entry.file_size());
    }
    return entries;
}

void writeFile(const fs::path& path, std::string_view contents) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
}

// $TMPDIR set to a fresh folder while it lives, so a test sees what a copy leaves there.
class PrivateTemporaryFolder {
public:
    PrivateTemporaryFolder() {
        const char* previous = std::getenv("TMPDIR");
        m_previous = previous ? std::optional<std::string>(previous) : std::nullopt;
        ::setenv("TMPDIR", m_folder.path().c_str(), 1);
    }
    ~PrivateTemporaryFolder() {
        if (m_previous)
            ::setenv("TMPDIR", m_previous->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }
    const fs::path& path() const { return m_folder.path(); }

private:
    testing::TemporaryDeviceRoot m_folder;
    std::optional<std::string> m_previous;
};

class CopyRuleTest : public ::testing::Test {
protected:
    // Copies `source` (as its own root) into `target` by the copy rule.
    common::Result<void> copy(const common::InterruptionCheck& interrupted = {}) {
        platform::FileDescriptor from = platform::openRootFolder(source.string());
        platform::FileDescriptor into = platform::openRootFolder(target.string());
        CopyAllowance allowance = CopyAllowance::forFolder(target.string());
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
        writeFile(outside / "secret.png", "secret frame");
        writeFile(outside / "options.json", R"({"width": 1})");
    }
};

TEST_F(CopyRuleTest, NothingIsFollowedOutOfTheFolderAndOnlyFramesAndOptionsAreCopied) {
    writeFile(source / "frame1.png", "first frame");
    // Links that lead out of the folder, relatively and absolutely.
    fs::create_symlink("../outside/secret.png", source / "frame2.png");
    fs::create_symlink(outside / "secret.png", source / "frame3.png");
    fs::create_symlink("../outside/options.json", source / "options.json");
    // A link that stays inside, a subfolder and a device-like entry named like frames.
    fs::create_symlink("frame1.png", source / "frame4.png");
    writeFile(source / "x.png" / "inner.png", "inside a folder");
    ASSERT_EQ(::mkfifo((source / "pipe.png").c_str(), 0600), 0);
    // 64 GiB that take no room, past the frame limit; and what the extension never reads.
    writeFile(source / "huge.png", "");
    fs::resize_file(source / "huge.png", std::uintmax_t{64} << 30);
    writeFile(source / "notes.txt", "not a frame");
    writeFile(source / "FRAME5.PNG", "not a frame either");
    writeFile(source / "sub" / "frame6.png", "never entered");

    ASSERT_TRUE(copy().ok());
    EXPECT_EQ(entriesOf(target), (std::map<std::string, std::string>{{"frame1.png", "11"},
                                                                     {"frame2.png", "0"},
                                                                     {"frame3.png", "0"},
                                                                     {"frame4.png", "11"},
                                                                     {"huge.png", "0"},
                                                                     {"pipe.png", "0"},
                                                                     {"x.png", "0"}}));
}

TEST_F(CopyRuleTest, AnInterruptionStopsTheCopy) {
    writeFile(source / "frame1.png", "first frame");
    auto interrupted = copy([] { return true; });
    ASSERT_FALSE(interrupted.ok());
    EXPECT_EQ(interrupted.fault().message, common::interruptionFault().message);
}

TEST_F(CopyRuleTest, OptionsWithinTheirLimitAreCopiedByteForByte) {
    writeFile(source / "frame1.png", "first frame");
    writeFile(source / "options.json", R"({"width": 40})");
    ASSERT_TRUE(copy().ok());
    EXPECT_EQ(testing::readWholeFile(target / "options.json"), R"({"width": 40})");
}

TEST(CopyAllowanceTest, ACopyPastTheLimitIsRefusedSayingSo) {
    testing::TemporaryDeviceRoot folder;
    CopyAllowance allowance = CopyAllowance::forFolder(folder.path().string());
    auto past = allowance.take(privateCopyByteLimit + 1, "big.png");
    ASSERT_FALSE(past.ok());
    EXPECT_EQ(past.fault().file, "big.png");
    EXPECT_THAT(past.fault().message, HasSubstr("would pass"));
    // The file system's free space may be the smaller limit; either is named.
    EXPECT_TRUE(past.fault().message.find("2 GiB a private copy may take") != std::string::npos ||
                past.fault().message.find(" free in ") != std::string::npos)
        << past.fault().message;

    CopyAllowance whole = CopyAllowance::forFolder(folder.path().string());
    EXPECT_TRUE(whole.take(1024, "a.png").ok());
    EXPECT_FALSE(whole.take(privateCopyByteLimit, "b.png").ok());
}

TEST(TemporaryFolderTest, OneLeftByAKilledCommandGoesWithTheNextWhileOneInUseStays) {
    PrivateTemporaryFolder temporary;
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

TEST(PrivatePreferenceDomainTest, OnlyAListTheExtensionReadsIsCopied) {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot elsewhere;
    // Made after the roots, so that it holds only what the copies make.
    PrivateTemporaryFolder temporary;
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

TEST(SoakRootCopyTest, TheCopyHoldsWhatTheExtensionReadsInsideTheRoot) {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot elsewhere;
    // Made after the roots, so that it holds only what the copy makes.
    PrivateTemporaryFolder temporary;
    fs::path sequences = root.hostPath(sequenceRoot);
    writeFile(sequences / "dots" / "dot1.png", "a dot");
    writeFile(sequences / "dots" / "readme.txt", "not read");
    // A sequence linked to an absolute path is read from the root, as on the device.
    writeFile(root.hostPath("shared/rings/ring1.png"), "a ring");
    fs::create_symlink("/shared/rings", sequences / "rings");
    // One linked to a folder of this machine outside the root finds nothing there.
    writeFile(elsewhere.path() / "stolen" / "frame1.png", "outside");
    fs::create_symlink(elsewhere.path() / "stolen", sequences / "stolen");
    // Files the extension never reads, however large, are not copied.
    writeFile(root.hostPath("var/mobile/huge.bin"), "");
    fs::resize_file(root.hostPath("var/mobile/huge.bin"), std::uintmax_t{64} << 30);
    root.writePreferences(preferenceDomain,
                          {{"enablebatteryanimation", platform::PropertyValue::boolean(true)}});

    auto copied = SoakDeviceRoot::copy(root.path().string());
    ASSERT_TRUE(copied.ok()) << copied.fault().text();
    fs::path copy = copied.value()->path();
    EXPECT_EQ(copied.value()->sequenceNames(), (std::vector<std::string>{"dots", "rings"}));
    auto entries = entriesOf(copy);
    EXPECT_EQ(entries.count("var/mobile/huge.bin"), 0u);
    EXPECT_EQ(entries[std::string(sequenceRoot) + "rings/ring1.png"], "6");
    EXPECT_EQ(entries.count(std::string(sequenceRoot) + "dots/readme.txt"), 0u);
    EXPECT_EQ(
        testing::readWholeFile(rootPreferenceFilePath(copy.string(), preferenceDomain)),
        testing::readWholeFile(rootPreferenceFilePath(root.path().string(), preferenceDomain)));
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
} // namespace velorin::sim
