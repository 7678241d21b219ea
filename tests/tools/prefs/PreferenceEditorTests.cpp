#include "platform/PreferenceStore.h"
#include "settings/Settings.h"
#include "tests/support/TemporaryDeviceRoot.h"
#include "tools/prefs/PreferenceEditor.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using platform::PropertyValue;
using ::testing::HasSubstr;

class PreferenceEditorTest : public ::testing::Test {
protected:
    std::string file() const { return preferenceFileUnderRoot(root.path().string()); }

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
        auto reading = readPreference(file(), key);
        EXPECT_TRUE(reading.ok());
        return reading.ok() ? reading.value().value : std::nullopt;
    }

    std::vector<std::string> filesInPreferenceFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(fs::path(file()).parent_path()))
            names.push_back(entry.path().filename().string());
        return names;
    }

    testing::TemporaryDeviceRoot root;
};

TEST_F(PreferenceEditorTest, RefusesAnUnknownKeyListingTheKnownOnes) {
    for (auto result :
         {setPreference(file(), "hideBattery", "true"), unsetPreference(file(), "enabled")}) {
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.fault().file, file());
        for (const PreferenceKey& key : knownPreferenceKeys())
            EXPECT_THAT(result.fault().message, HasSubstr(key.name));
    }
    EXPECT_FALSE(readPreference(file(), "loop").ok());
    EXPECT_FALSE(fs::exists(file()));
}

TEST_F(PreferenceEditorTest, RefusesValuesOfTheWrongKindWithoutTouchingTheFile) {
    root.writePreferences(preferenceDomain, {{"hidebattery", PropertyValue::boolean(true)}});
    std::string before = contents();
    for (const char* value : {"maybe", "", "2", "on"}) {
        auto result = setPreference(file(), "loopbatteryanimation", value);
        ASSERT_FALSE(result.ok()) << value;
        EXPECT_THAT(result.fault().message, HasSubstr("true or false"));
    }
    EXPECT_FALSE(setPreference(file(), "batteryanimation", "").ok());
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
        for (auto result : {setPreference(file(), "hidebattery", "false"),
                            unsetPreference(file(), "hidebattery")}) {
            ASSERT_FALSE(result.ok());
            EXPECT_EQ(result.fault().file, file());
            EXPECT_THAT(result.fault().message, HasSubstr("left unchanged"));
        }
        EXPECT_FALSE(readPreferences(file()).ok());
        EXPECT_EQ(contents(), malformed);
        EXPECT_EQ(filesInPreferenceFolder().size(), 1u) << "no temporary file is left";
    }
}

TEST_F(PreferenceEditorTest, SetStoresTypedValuesInABinaryListTheStoreReads) {
    for (const char* value : {"true", "YES", "1"}) {
        ASSERT_TRUE(setPreference(file(), "enablebatteryanimation", value).ok());
        EXPECT_EQ(stored("enablebatteryanimation"), PropertyValue::boolean(true)) << value;
    }
    for (const char* value : {"false", "no", "0"}) {
        ASSERT_TRUE(setPreference(file(), "hidebattery", value).ok());
        EXPECT_EQ(stored("hidebattery"), PropertyValue::boolean(false)) << value;
    }
    ASSERT_TRUE(setPreference(file(), "batteryanimation", "1234").ok());
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

    ASSERT_TRUE(setPreference(file(), "loopbatteryanimation", "yes").ok());
    ASSERT_TRUE(unsetPreference(file(), "batteryanimation").ok());

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
    auto missing = readPreferences(file());
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

    ASSERT_TRUE(setPreference(file(), "hidebattery", "false").ok());
    EXPECT_TRUE(fs::is_symlink(file()));
    EXPECT_TRUE(fs::is_regular_file(kept));
    EXPECT_EQ(stored("hidebattery"), PropertyValue::boolean(false));
}

TEST_F(PreferenceEditorTest, UnsetOfAnAbsentKeyOrFileChangesNothing) {
    ASSERT_TRUE(unsetPreference(file(), "hidebattery").ok());
    EXPECT_FALSE(fs::exists(file()));
    root.writePreferences(preferenceDomain, {{"hidebattery", PropertyValue::boolean(false)}});
    std::string before = contents();
    ASSERT_TRUE(unsetPreference(file(), "loopbatteryanimation").ok());
    EXPECT_EQ(contents(), before);
}

} // namespace
} // namespace velorin::tools
