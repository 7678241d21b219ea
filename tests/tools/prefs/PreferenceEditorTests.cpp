#include "common/SystemCalls.h"
#include "platform/PreferenceStore.h"
#include "platform/PropertyListLimits.h"
#include "settings/Settings.h"
#include "tests/support/TemporaryDeviceRoot.h"
#include "tools/prefs/PreferenceEditor.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using platform::PropertyValue;
using ::testing::HasSubstr;
using ::testing::Not;

class PreferenceEditorTest : public ::testing::Test {
protected:
    std::string rootPath() const { return root.path().string(); }
    std::string file() const { return preferenceFileUnderRoot(rootPath()); }

    std::string contents() const {
        std::ifstream stream(file(), std::ios::binary);
        return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    }

    // The value the device's preference store reads back, as the extension would see it.
    std::optional<PropertyValue> stored(const char* key) const {
        return platform::NSUserDefaults::standardUserDefaults()->objectForKey(key,
                                                                              preferenceDomain);
    }

    std::optional<std::string> readValue(const char* key) const {
        auto reading = readPreference(rootPath(), key);
        EXPECT_TRUE(reading.ok());
        return reading.ok() ? reading.value().value : std::nullopt;
    }

    // The preference folder's files, less the lock file that writers share.
    std::vector<std::string> filesInPreferenceFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(fs::path(file()).parent_path())) {
            if (entry.path().extension() != ".lock")
                names.push_back(entry.path().filename().string());
        }
        return names;
    }

    testing::TemporaryDeviceRoot root;
};

TEST_F(PreferenceEditorTest, RefusesAnUnknownKeyListingTheKnownOnes) {
    for (const common::Fault& fault : {setPreference(rootPath(), "hideBattery", "true").fault(),
                                       unsetPreference(rootPath(), "enabled").fault()}) {
        // The fault is the key's, not the list's: the list is not named.
        EXPECT_EQ(fault.file, std::nullopt);
        EXPECT_THAT(fault.message, HasSubstr("unknown key"));
        for (const PreferenceKey& key : knownPreferenceKeys())
            EXPECT_THAT(fault.message, HasSubstr(key.name));
    }
    EXPECT_FALSE(readPreference(rootPath(), "loop").ok());
    EXPECT_FALSE(fs::exists(file()));
}

TEST_F(PreferenceEditorTest, RefusesValuesOfTheWrongKindWithoutTouchingTheFile) {
    root.writePreferences(preferenceDomain, {{"hidebattery", PropertyValue::boolean(true)}});
    std::string before = contents();
    for (const char* value : {"maybe", "", "2", "on"}) {
        auto result = setPreference(rootPath(), "loopbatteryanimation", value);
        ASSERT_FALSE(result.ok()) << value;
        EXPECT_THAT(result.fault().message, HasSubstr("true or false"));
    }
    EXPECT_FALSE(setPreference(rootPath(), "batteryanimation", "").ok());
    EXPECT_EQ(contents(), before);
}

// A binary list of 228 bytes whose forty arrays each name the next twice: read naively it
// expands to 2^40 values and never finishes.
std::string sharedArraysList() {
    std::ifstream stream(std::string(VELORIN_TEST_DATA_DIR) +
                             "/platform/data/arrays-shared-2-to-the-40.plist",
                         std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

TEST_F(PreferenceEditorTest, MalformedFilesAreRefusedAndLeftByteForByte) {
    for (const std::string& malformed :
         {std::string("not a property list"), std::string("bplist00\x01\x02", 10),
          std::string("<?xml version=\"1.0\"?><plist><array><true/></array></plist>"),
          std::string(), sharedArraysList()}) {
        root.writePreferenceFile(preferenceDomain, malformed);
        auto set = setPreference(rootPath(), "hidebattery", "false");
        auto unset = unsetPreference(rootPath(), "hidebattery");
        ASSERT_FALSE(set.ok());
        ASSERT_FALSE(unset.ok());
        for (const common::Fault& fault : {set.fault(), unset.fault()}) {
            EXPECT_EQ(fault.file, file());
            EXPECT_THAT(fault.message, HasSubstr("left unchanged"));
        }
        EXPECT_FALSE(readPreferences(rootPath()).ok());
        EXPECT_EQ(contents(), malformed);
        EXPECT_EQ(filesInPreferenceFolder().size(), 1u) << "no temporary file is left";
    }
}

TEST_F(PreferenceEditorTest, ListsPastTheReadersLimitsAreNamedWithTheLimitAndLeftAsTheyAre) {
    // 64 GiB that take no room on the disk: read naively, it would take 64 GiB of memory.
    root.writePreferenceFile(preferenceDomain, "");
    fs::resize_file(file(), std::uintmax_t{64} << 30);
    auto read = readPreferences(rootPath());
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.fault().file, file());
    EXPECT_THAT(read.fault().message, HasSubstr("is 64 GiB, larger than the 1 MiB the extension "
                                                "reads; the extension reads no keys from it"));
    auto set = setPreference(rootPath(), "hidebattery", "false");
    ASSERT_FALSE(set.ok());
    EXPECT_THAT(set.fault().message, HasSubstr("larger than the 1 MiB"));
    EXPECT_THAT(set.fault().message, HasSubstr("left unchanged"));
    EXPECT_EQ(fs::file_size(file()), std::uintmax_t{64} << 30);

    root.writePreferenceFile(preferenceDomain, sharedArraysList());
    auto shared = readPreference(rootPath(), "hidebattery");
    ASSERT_FALSE(shared.ok());
    EXPECT_THAT(shared.fault().message, HasSubstr("holds more than 100000 values"));
}

TEST_F(PreferenceEditorTest, AWriteTheReaderWouldRefuseIsRefusedAndTheListKept) {
    // One key fewer than half the value limit: the dictionary, its keys and their values make
    // one value less than the limit, and one more key passes it.
    testing::PreferenceEntries many;
    for (std::size_t key = 0; key + 1 < platform::maximumPropertyListValues / 2; ++key)
        many.emplace_back("key" + std::to_string(key), PropertyValue::boolean(true));
    root.writePreferences(preferenceDomain, many, testing::PropertyListFormat::Binary);
    std::string before = contents();
    ASSERT_TRUE(readPreferences(rootPath()).ok());
    auto counted = setPreference(rootPath(), "hidebattery", "false");
    ASSERT_FALSE(counted.ok());
    EXPECT_THAT(counted.fault().message, HasSubstr("would hold more than 100000 values"));
    EXPECT_EQ(contents(), before);

    // A list just under the size limit that one more value would take past it.
    root.writePreferences(preferenceDomain,
                          {{"notes", PropertyValue::string(std::string(
                                         platform::preferenceListByteLimit - 100, 'n'))}},
                          testing::PropertyListFormat::Binary);
    before = contents();
    auto large = setPreference(rootPath(), "batteryanimation", std::string(200, 's'));
    ASSERT_FALSE(large.ok());
    EXPECT_THAT(large.fault().message, HasSubstr("larger than the 1 MiB the extension reads"));
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(filesInPreferenceFolder().size(), 1u);
}

TEST_F(PreferenceEditorTest, ALinkLeadingOutOfTheRootIsRefusedAndNothingIsWrittenThere) {
    testing::TemporaryDeviceRoot elsewhere;
    fs::path outside = elsewhere.path() / "velorin.plist";
    fs::create_directories(fs::path(file()).parent_path());
    // Five levels up from the preferences folder is one above the root.
    fs::path relative = fs::relative(outside, fs::path(file()).parent_path());
    ASSERT_TRUE(relative.string().starts_with("../../../../../"));
    fs::create_symlink(relative, file());
    for (auto result : {setPreference(rootPath(), "hidebattery", "false"),
                        setPreference(rootPath(), "loopbatteryanimation", "true")}) {
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.fault().file, file());
        EXPECT_THAT(result.fault().message, HasSubstr("leads out of the device root"));
    }
    EXPECT_FALSE(fs::exists(outside));
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
    EXPECT_TRUE(fs::is_symlink(file()));
}

TEST_F(PreferenceEditorTest, AnAbsoluteLinkIsReadFromTheRootAsOnTheDevice) {
    root.makeFolder("kept");
    fs::create_directories(fs::path(file()).parent_path());
    fs::create_symlink("/kept/velorin.plist", file());
    ASSERT_TRUE(setPreference(rootPath(), "hidebattery", "false").ok());
    EXPECT_TRUE(fs::is_regular_file(root.hostPath("kept/velorin.plist")));
    EXPECT_EQ(stored("hidebattery"), PropertyValue::boolean(false));
    EXPECT_EQ(readValue("hidebattery"), "false");

    // A link to a folder the root does not have makes no folders for it.
    fs::remove(file());
    fs::create_symlink("/nowhere/velorin.plist", file());
    auto dangling = setPreference(rootPath(), "hidebattery", "true");
    ASSERT_FALSE(dangling.ok());
    EXPECT_THAT(dangling.fault().message, HasSubstr("the device root has no folder nowhere"));
    EXPECT_FALSE(fs::exists(root.hostPath("nowhere")));
}

TEST_F(PreferenceEditorTest, ALeftoverOfAKilledWriterGoesWithTheNextWrite) {
    root.writePreferences(preferenceDomain, {{"hidebattery", PropertyValue::boolean(false)}});
    fs::path folder = fs::path(file()).parent_path();
    // What a writer killed between making its temporary file and renaming it leaves.
    std::ofstream(folder / "com.tarnwick.velorin.plist.velorin-new-4242") << "half a list";
    std::ofstream(folder / "notes.txt") << "the user's";
    ASSERT_TRUE(setPreference(rootPath(), "loopbatteryanimation", "true").ok());
    auto names = filesInPreferenceFolder();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"com.tarnwick.velorin.plist", "notes.txt"}));
    EXPECT_EQ(stored("hidebattery"), PropertyValue::boolean(false));
}

TEST_F(PreferenceEditorTest, AWriterWaitsForTheLockAndKeepsWhatTheHolderWrote) {
    ASSERT_TRUE(setPreference(rootPath(), "hidebattery", "false").ok());
    fs::path lockFile = file() + ".lock";
    int lock = ::open(lockFile.c_str(), O_RDWR);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0)
        ::_exit(setPreference(rootPath(), "loopbatteryanimation", "true").ok() ? 0 : 1);
    // While the lock is held, another writer changes the list; the waiting one must start from
    // this change, not from what it could have read before.
    root.writePreferences(preferenceDomain,
                          {{"hidebattery", PropertyValue::boolean(false)},
                           {"batteryanimation", PropertyValue::string("held")}},
                          testing::PropertyListFormat::Binary);
    ::flock(lock, LOCK_UN);
    ::close(lock);
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(stored("batteryanimation"), PropertyValue::string("held"));
    EXPECT_EQ(stored("loopbatteryanimation"), PropertyValue::boolean(true));
}

TEST_F(PreferenceEditorTest, AWaitingWriterSweepsLeftoversOnlyOnceItHoldsTheLock) {
    ASSERT_TRUE(setPreference(rootPath(), "hidebattery", "false").ok());
    fs::path leftover = file() + ".velorin-new-4242";
    std::ofstream(leftover) << "half a list";
    fs::path lockFile = file() + ".lock";
    int lock = ::open(lockFile.c_str(), O_RDWR);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    int waiting[2];
    ASSERT_EQ(::pipe(waiting), 0);
    pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        // Says, just before the writer starts to wait for the lock, that it is about to.
        common::setLockSeamForTesting([&](int, common::LockWait wait) {
            if (wait == common::LockWait::Wait)
                (void)!::write(waiting[1], "w", 1);
        });
        ::_exit(setPreference(rootPath(), "loopbatteryanimation", "true").ok() ? 0 : 1);
    }
    char said = 0;
    ASSERT_EQ(::read(waiting[0], &said, 1), 1);
    EXPECT_TRUE(fs::exists(leftover)) << "swept before the lock was held";
    ::flock(lock, LOCK_UN);
    ::close(lock);
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ::close(waiting[0]);
    ::close(waiting[1]);
    EXPECT_FALSE(fs::exists(leftover)) << "swept once the lock was held";
    EXPECT_EQ(stored("loopbatteryanimation"), PropertyValue::boolean(true));
    EXPECT_EQ(stored("hidebattery"), PropertyValue::boolean(false));
}

TEST_F(PreferenceEditorTest, ConcurrentWritersOfDifferentKeysAllKeepTheirKeys) {
    for (int round = 0; round < 10; ++round) {
        fs::remove(file());
        std::vector<pid_t> writers;
        for (const PreferenceKey& key : knownPreferenceKeys()) {
            pid_t writer = ::fork();
            ASSERT_GE(writer, 0);
            if (writer == 0) {
                const char* value = key.kind == PreferenceValueKind::Switch ? "true" : "concurrent";
                ::_exit(setPreference(rootPath(), key.name, value).ok() ? 0 : 1);
            }
            writers.push_back(writer);
        }
        for (pid_t writer : writers) {
            int status = 0;
            ASSERT_EQ(::waitpid(writer, &status, 0), writer);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        auto readings = readPreferences(rootPath());
        ASSERT_TRUE(readings.ok());
        for (const auto& reading : readings.value())
            EXPECT_TRUE(reading.value) << "round " << round << " lost " << reading.key;
        EXPECT_EQ(filesInPreferenceFolder().size(), 1u);
    }
}

TEST_F(PreferenceEditorTest, SetStoresTypedValuesInABinaryListTheStoreReads) {
    for (const char* value : {"true", "YES", "1"}) {
        ASSERT_TRUE(setPreference(rootPath(), "enablebatteryanimation", value).ok());
        EXPECT_EQ(stored("enablebatteryanimation"), PropertyValue::boolean(true)) << value;
    }
    for (const char* value : {"false", "no", "0"}) {
        ASSERT_TRUE(setPreference(rootPath(), "hidebattery", value).ok());
        EXPECT_EQ(stored("hidebattery"), PropertyValue::boolean(false)) << value;
    }
    ASSERT_TRUE(setPreference(rootPath(), "batteryanimation", "1234").ok());
    EXPECT_EQ(stored("batteryanimation"), PropertyValue::string("1234"));

    EXPECT_EQ(contents().substr(0, 8), "bplist00");
    EXPECT_EQ(filesInPreferenceFolder().size(), 1u);
    readSettings();
    EXPECT_TRUE(settings().enabled);
    EXPECT_FALSE(settings().hideBattery);
    EXPECT_EQ(settings().sequenceName, "1234");
}

TEST_F(PreferenceEditorTest, EditsKeepEveryOtherKeyAndThePermissions) {
    root.writePreferences(preferenceDomain,
                          {{"hidebattery", PropertyValue::integer(1)},
                           {"com.example.unrelated", PropertyValue::string("keep me")},
                           {"count", PropertyValue::integer(-3)},
                           {"batteryanimation", PropertyValue::string("pulse")}});
    ::chmod(file().c_str(), 0600);

    ASSERT_TRUE(setPreference(rootPath(), "loopbatteryanimation", "yes").ok());
    ASSERT_TRUE(unsetPreference(rootPath(), "batteryanimation").ok());

    EXPECT_EQ(stored("com.example.unrelated"), PropertyValue::string("keep me"));
    EXPECT_EQ(stored("count"), PropertyValue::integer(-3));
    EXPECT_EQ(stored("hidebattery"), PropertyValue::integer(1));
    EXPECT_EQ(stored("loopbatteryanimation"), PropertyValue::boolean(true));
    EXPECT_FALSE(stored("batteryanimation"));
    EXPECT_EQ(fs::status(file()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(PreferenceEditorTest, AStoredStringHoldingNulIsReadWhole) {
    // libplist's copying string getter stops the process on such a string.
    std::ifstream stream(std::string(VELORIN_TEST_DATA_DIR) +
                             "/platform/data/string-with-nul.plist",
                         std::ios::binary);
    root.writePreferenceFile(preferenceDomain, std::string(std::istreambuf_iterator<char>(stream),
                                                           std::istreambuf_iterator<char>()));
    auto name = readValue("batteryanimation");
    ASSERT_TRUE(name);
    EXPECT_NE(name->find('\0'), std::string::npos);
}

TEST_F(PreferenceEditorTest, ReadingGivesEveryKnownKeyWithStoredValuesOrDefaults) {
    auto missing = readPreferences(rootPath());
    ASSERT_TRUE(missing.ok());
    ASSERT_EQ(missing.value().size(), knownPreferenceKeys().size());
    for (const auto& reading : missing.value())
        EXPECT_FALSE(reading.value) << reading.key;
    EXPECT_EQ(missing.value().back().defaultValue, "true") << "hidebattery defaults to on";

    root.writePreferences(
        preferenceDomain,
        {{"hidebattery", PropertyValue::integer(0)},
         {"loopbatteryanimation", PropertyValue::boolean(true)},
         {"nosleepbatteryanimation", PropertyValue::ofKind(platform::PropertyKind::Data)}},
        testing::PropertyListFormat::Binary);
    EXPECT_EQ(readValue("hidebattery"), "0");
    EXPECT_EQ(readValue("loopbatteryanimation"), "true");
    EXPECT_EQ(readValue("nosleepbatteryanimation"), "<data>");
    EXPECT_EQ(readValue("batteryanimation"), std::nullopt);
}

TEST_F(PreferenceEditorTest, AWriteThroughASymbolicLinkReplacesTheFileItNames) {
    root.writeFile("kept/velorin.plist", std::string());
    fs::path kept = root.hostPath("kept/velorin.plist");
    fs::remove(kept);
    fs::create_directories(fs::path(file()).parent_path());
    fs::create_symlink("../../../../kept/velorin.plist", file());

    ASSERT_TRUE(setPreference(rootPath(), "hidebattery", "false").ok());
    EXPECT_TRUE(fs::is_symlink(file()));
    EXPECT_TRUE(fs::is_regular_file(kept));
    EXPECT_EQ(stored("hidebattery"), PropertyValue::boolean(false));
}

TEST_F(PreferenceEditorTest, UnsetOfAnAbsentKeyOrFileChangesNothing) {
    ASSERT_TRUE(unsetPreference(rootPath(), "hidebattery").ok());
    EXPECT_FALSE(fs::exists(file()));
    root.writePreferences(preferenceDomain, {{"hidebattery", PropertyValue::boolean(false)}});
    std::string before = contents();
    ASSERT_TRUE(unsetPreference(rootPath(), "loopbatteryanimation").ok());
    EXPECT_EQ(contents(), before);
}

TEST_F(PreferenceEditorTest, AListKeepsItsFormAndASetWarnsWhatItWillNotDo) {
    // A new list is binary, as the device writes it.
    auto made = setPreference(rootPath(), "batteryanimation", "rnig");
    ASSERT_TRUE(made.ok()) << made.fault().message;
    EXPECT_TRUE(contents().starts_with("bplist00"));
    // A typo in the name and a root where the extension is off are said, not refused.
    ASSERT_EQ(made.value().size(), 2u);
    EXPECT_THAT(made.value()[0], HasSubstr("\"rnig\" names no sequence"));
    EXPECT_THAT(made.value()[1], HasSubstr("the extension is off: set enablebatteryanimation"));
    // Turning it off is what the user asked for: the warning says what follows, not to undo it.
    auto turnedOff = setPreference(rootPath(), "enablebatteryanimation", "false");
    ASSERT_TRUE(turnedOff.ok());
    ASSERT_EQ(turnedOff.value().size(), 1u);
    EXPECT_THAT(turnedOff.value()[0], HasSubstr("the extension is now off"));
    EXPECT_THAT(turnedOff.value()[0], Not(HasSubstr("to true")));

    // An XML list stays XML; with the extension on and a sequence that exists, nothing is said.
    root.writePreferences(preferenceDomain,
                          {{"enablebatteryanimation", PropertyValue::boolean(true)}},
                          testing::PropertyListFormat::Xml);
    root.makeFolder("var/jb/vod/Library/Velorin/chargingSequences/ring");
    auto kept = setPreference(rootPath(), "batteryanimation", "ring");
    ASSERT_TRUE(kept.ok());
    EXPECT_TRUE(kept.value().empty());
    EXPECT_TRUE(contents().starts_with("<?xml"));
    EXPECT_EQ(readPreference(rootPath(), "batteryanimation").value().value, "ring");
}

} // namespace
} // namespace velorin::tools
