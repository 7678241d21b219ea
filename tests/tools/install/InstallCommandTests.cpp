// velorin-sim install, end to end: what it refuses (leaving the root as it was), what it
// copies (without resource-fork files, the source unchanged), replacing, choosing through the
// preferences' locked writer, and an install that cannot finish or is interrupted undone whole.
#include "platform/PreferenceStore.h"
#include "platform/PropertyList.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SequenceFolders.h"
#include "tests/tools/common/SimProcess.h"
#include "tests/tools/import/ImportTestSupport.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const std::string sequences = "var/jb/vod/Library/Velorin/chargingSequences/";
const std::string preferenceList = "var/mobile/Library/Preferences/com.tarnwick.velorin.plist";

// A device root with one sequence, "old", and a place for the folders to install.
struct InstallScratch {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot here;

    InstallScratch() {
        testing::writeFrames(root.hostPath(sequences + "old"), {"old1.png", "old2.png"});
        root.writePreferences("com.tarnwick.velorin",
                              {{"loopbatteryanimation", platform::PropertyValue::boolean(true)}});
    }
    fs::path installed(const std::string& name) const { return root.hostPath(sequences + name); }
    testing::SimOutcome install(std::vector<std::string> arguments,
                                std::vector<std::string> settings = {}) const {
        arguments.insert(arguments.begin(), "install");
        arguments.insert(arguments.end(), {"--root", root.path().string()});
        return testing::runVelorinSim(here.path(), arguments, settings);
    }
    // What the root holds, less the lock file that preference writers share; a name and a
    // size for each file, so that a failure stays readable.
    std::vector<std::string> rootSnapshot() const {
        std::vector<std::string> entries;
        for (const auto& [path, contents] : testing::snapshotOf(root.path())) {
            if (!path.ends_with(".lock"))
                entries.push_back(path + " " + std::to_string(contents.size()) + " " +
                                  std::to_string(std::hash<std::string>{}(contents)));
        }
        return entries;
    }
    std::optional<platform::PropertyValue> stored(const std::string& key) const {
        std::string bytes = testing::readWholeFile(root.hostPath(preferenceList));
        auto list = platform::PropertyListDictionary::read(
            {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
        const auto* dictionary = std::get_if<platform::PropertyListDictionary>(&list);
        return dictionary ? dictionary->get(key) : std::nullopt;
    }
};

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(InstallCommandTest, WhatWouldPlayOutOfOrderIsRefusedUnlessForcedAndNothingIsWritten) {
    InstallScratch scratch;
    fs::path source = scratch.here.path() / "letters";
    testing::writeFrames(source, testing::numberedFrameNames("a", 1, 12));
    auto before = scratch.rootSnapshot();
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{source.string()},
          {source.string(), "--as", "../escape"},
          {source.string(), "--as", "old", "--force"},
          {(scratch.here.path() / "absent").string(), "--force"}}) {
        auto refused = scratch.install(arguments);
        EXPECT_EQ(refused.status, 2) << arguments.front();
        EXPECT_EQ(scratch.rootSnapshot(), before) << arguments.front();
    }
    auto refused = scratch.install({source.string()});
    EXPECT_THAT(refused.err, HasSubstr(source.string() + ": is not installed: its frames would "
                                                         "play in another order than the natural "
                                                         "order of their names (listed by name, "
                                                         "they play a1.png, a10.png, a11.png, "));
    EXPECT_THAT(refused.err, HasSubstr("\"a10.png\" (window \"1\", key 1"));
    EXPECT_THAT(refused.err, HasSubstr("(--force installs it as it is)\n"));
    EXPECT_THAT(scratch.install({source.string(), "--as", "old", "--force"}).err,
                HasSubstr("already exists (--replace replaces it)"));

    auto forced = scratch.install({source.string(), "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_THAT(forced.out, HasSubstr("Check found 1 error and 0 warnings"));
    EXPECT_EQ(namesIn(scratch.installed("letters")).size(), 12u);
}

// Frames that all read one key play in the listing's order, which is not their names': refused
// like any other order out of natural order, with the order that plays and how to rename them.
TEST(InstallCommandTest, FramesThatAllReadOneKeyAreRefusedWithTheOrderThatPlays) {
    InstallScratch scratch;
    fs::path numbers = scratch.here.path() / "numbers";
    testing::writeFrames(numbers, testing::numberedFrameNames("", 1, 24));
    fs::path digitInPrefix = scratch.here.path() / "anim";
    testing::writeFrames(digitInPrefix, {"anim2_001.png", "anim2_002.png", "anim2_003.png"});
    auto before = scratch.rootSnapshot();
    auto refused = scratch.install({numbers.string(), "--select"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err,
              "velorin-sim: " + numbers.string() +
                  ": is not installed: its frames would play in another order than the natural "
                  "order of their names (listed by name, they play 1.png, 10.png, 11.png, 12.png, "
                  "13.png, 14.png, … (18 more)): whichever frame is listed first (prefix length "
                  "0), every frame reads key 0 (no number is read with a prefix length of 0), so "
                  "the frames play in the order the folder is listed, which is in no set order; "
                  "rename the frames to one prefix without digits followed by numbers padded "
                  "with zeros, such as frame01.png to frame24.png (--force installs it as it "
                  "is)\n");
    auto anim = scratch.install({digitInPrefix.string()});
    EXPECT_EQ(anim.status, 2);
    EXPECT_THAT(anim.err, HasSubstr("(prefix length 4), every frame reads key 2, so the frames "
                                    "play in the order the folder is listed"));
    EXPECT_EQ(scratch.rootSnapshot(), before);

    auto forced = scratch.install({numbers.string(), "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(namesIn(scratch.installed("numbers")).size(), 24u);
}

TEST(InstallCommandTest, ResourceForkFilesAreLeftOutAndTheSourceStaysAsItWas) {
    InstallScratch scratch;
    fs::path source = scratch.here.path() / "unzipped";
    testing::writeFrames(source, testing::numberedFrameNames("frame", 1, 3));
    for (const auto& name : testing::numberedFrameNames("._frame", 1, 3))
        testing::writeBytes(source / name, "Mac OS X");
    testing::writeBytes(source / "options.json", R"({"animationDuration": 1})");
    testing::writeBytes(source / "notes.txt", "not copied");
    auto before = testing::snapshotOf(source);

    auto installed = scratch.install({source.string(), "--as", "spin"});
    EXPECT_EQ(installed.status, 0) << installed.err;
    EXPECT_EQ(installed.out, "Installed spin in " + scratch.installed("spin").string() +
                                 ": 3 frames, 2.3 MiB decoded\n"
                                 "Left out 3 resource-fork files (\"._\" names another system "
                                 "leaves beside each file)\n"
                                 "It is not the chosen sequence (the preferences choose "
                                 "particlespin); choose it with:\n"
                                 "  velorin-sim prefs set batteryanimation spin --root " +
                                 scratch.root.path().string() +
                                 "\nand, as the extension is off, turn it on with:\n"
                                 "  velorin-sim prefs set enablebatteryanimation true --root " +
                                 scratch.root.path().string() + "\n");
    EXPECT_EQ(namesIn(scratch.installed("spin")),
              (std::vector<std::string>{"frame1.png", "frame2.png", "frame3.png", "options.json"}));
    EXPECT_EQ(testing::snapshotOf(source), before);
    EXPECT_EQ(namesIn(scratch.installed("")), (std::vector<std::string>{"old", "spin"}))
        << "no staging folder is left";
    EXPECT_EQ(scratch.stored("batteryanimation"), std::nullopt) << "not chosen without --select";
}

TEST(InstallCommandTest, ReplacingTakesTheNewSequenceWhole) {
    InstallScratch scratch;
    fs::path source = scratch.here.path() / "old";
    testing::writeFrames(source, testing::numberedFrameNames("new", 1, 3));
    auto replaced = scratch.install({source.string(), "--replace"});
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_THAT(replaced.out, HasSubstr("Replaced old in "));
    EXPECT_EQ(namesIn(scratch.installed("old")),
              (std::vector<std::string>{"new1.png", "new2.png", "new3.png"}));
    EXPECT_EQ(namesIn(scratch.installed("")), (std::vector<std::string>{"old"}));
}

TEST(InstallCommandTest, SelectChoosesItThroughTheLockedWriterKeepingOtherKeys) {
    InstallScratch scratch;
    fs::path source = scratch.here.path() / "glow";
    testing::writeFrames(source, testing::numberedFrameNames("glow", 1, 2));
    // Another writer holds the list's lock and changes a key meanwhile: the install waits for
    // it and keeps the change.
    fs::path lockFile = scratch.root.hostPath(preferenceList + ".lock");
    int lock = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    testing::RunningProcess install(
        VELORIN_SIM_PATH,
        {"install", source.string(), "--select", "--root", scratch.root.path().string()},
        scratch.here.path());
    scratch.root.writePreferences("com.tarnwick.velorin",
                                  {{"loopbatteryanimation", platform::PropertyValue::boolean(true)},
                                   {"hidebattery", platform::PropertyValue::boolean(false)}},
                                  testing::PropertyListFormat::Binary);
    ::flock(lock, LOCK_UN);
    ::close(lock);
    auto outcome = install.finish();
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_THAT(outcome.out, HasSubstr("Chose glow and turned the extension on\n"));
    EXPECT_EQ(scratch.stored("batteryanimation"), platform::PropertyValue::string("glow"));
    EXPECT_EQ(scratch.stored("enablebatteryanimation"), platform::PropertyValue::boolean(true));
    EXPECT_EQ(scratch.stored("hidebattery"), platform::PropertyValue::boolean(false));
    EXPECT_EQ(scratch.stored("loopbatteryanimation"), platform::PropertyValue::boolean(true));
}

// Without --select the install ends with what is chosen and the commands that choose the new
// sequence; run as they are, they choose it.
TEST(InstallCommandTest, WithoutSelectItSaysWhatIsChosenAndTheCommandsThatChooseIt) {
    InstallScratch scratch;
    fs::path source = scratch.here.path() / "glow";
    testing::writeFrames(source, testing::numberedFrameNames("glow", 1, 2));
    auto outcome = scratch.install({source.string()});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const std::string root = scratch.root.path().string();
    EXPECT_THAT(outcome.out,
                HasSubstr("It is not the chosen sequence (the preferences choose particlespin); "
                          "choose it with:\n  velorin-sim prefs set batteryanimation glow --root " +
                          root +
                          "\nand, as the extension is off, turn it on with:\n  velorin-sim "
                          "prefs set enablebatteryanimation true --root " +
                          root + "\n"));
    auto commands = testing::suggestedCommands(outcome.out);
    ASSERT_EQ(commands.size(), 2u);
    for (const auto& command : commands)
        EXPECT_EQ(testing::runVelorinSim(scratch.here.path(), command).status, 0);
    EXPECT_EQ(scratch.stored("batteryanimation"), platform::PropertyValue::string("glow"));
    EXPECT_EQ(scratch.stored("enablebatteryanimation"), platform::PropertyValue::boolean(true));

    // Replacing the chosen sequence keeps it chosen, and says so.
    auto replaced = scratch.install({source.string(), "--replace"});
    ASSERT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_THAT(replaced.out, HasSubstr("It is the chosen sequence, and the extension is on.\n"));
}

TEST(InstallCommandTest, AnInstallThatCannotBeChosenOrIsInterruptedIsUndoneWhole) {
    InstallScratch scratch;
    fs::path source = scratch.here.path() / "old";
    testing::writeFrames(source, testing::numberedFrameNames("new", 1, 3));
    auto before = scratch.rootSnapshot();
    // The copy asks once for each of the three frames, the install once before it moves the
    // sequence into place and once before it chooses it.
    for (const char* at : {"1", "4", "5:TERM"}) {
        auto interrupted = scratch.install({source.string(), "--replace", "--select"},
                                           {"VELORIN_TEST_SIGNAL_AT_CHECK=" + std::string(at)});
        EXPECT_EQ(interrupted.status, at == std::string("5:TERM") ? 143 : 130) << at;
        EXPECT_EQ(interrupted.err, "velorin-sim: interrupted; nothing was kept\n") << at;
        EXPECT_EQ(scratch.rootSnapshot(), before) << at;
    }
    // A preference list the extension refuses is found before anything is written.
    scratch.root.writePreferenceFile("com.tarnwick.velorin", "not a property list");
    auto refusedList = scratch.install({source.string(), "--replace", "--select"});
    EXPECT_EQ(refusedList.status, 2);
    EXPECT_THAT(refusedList.err, HasSubstr("com.tarnwick.velorin.plist: "));
    EXPECT_EQ(namesIn(scratch.installed("old")),
              (std::vector<std::string>{"old1.png", "old2.png"}));
    // A list so near its limit that choosing would take it past: the writer refuses once the
    // sequence is in place, and the replaced sequence comes back.
    fs::path list = scratch.root.hostPath(preferenceList);
    auto writeListOfSize = [&](std::size_t filler) {
        scratch.root.writePreferences(
            "com.tarnwick.velorin",
            {{"loopbatteryanimation", platform::PropertyValue::string(std::string(filler, 'x'))}},
            testing::PropertyListFormat::Binary);
        return fs::file_size(list);
    };
    std::size_t target = platform::preferenceListByteLimit - 8;
    writeListOfSize(target - (writeListOfSize(target) - target));
    ASSERT_EQ(fs::file_size(list), target);
    before = scratch.rootSnapshot();
    auto pastLimit = scratch.install({source.string(), "--replace", "--select"});
    EXPECT_EQ(pastLimit.status, 2);
    EXPECT_EQ(pastLimit.err, "velorin-sim: " + list.string() +
                                 ": would grow to 1 MiB + 57 bytes, larger than the 1 MiB the "
                                 "extension reads; left unchanged; so old was not installed, "
                                 "and the sequence it replaced is back\n");
    EXPECT_EQ(scratch.rootSnapshot(), before);
}

} // namespace
} // namespace velorin::tools
