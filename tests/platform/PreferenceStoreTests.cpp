#include "platform/PreferenceStore.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <limits>

namespace {

using platform::PropertyKind;
using platform::PropertyValue;
using velorin::testing::PropertyListFormat;
using velorin::testing::TemporaryDeviceRoot;

constexpr const char* domain = "com.example.test";
// The domain's file, as a device path.
const std::string domainFile = std::string(platform::preferencesFolder) + "/com.example.test.plist";

std::optional<PropertyValue> read(const std::string& key) {
    return platform::NSUserDefaults::standardUserDefaults()->objectForKey(key, domain);
}

std::string testData(const std::string& name) {
    std::ifstream file(std::string(VELORIN_TEST_DATA_DIR) + "/platform/data/" + name,
                       std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(PreferenceStore, UnusableFilesHoldNoKeys) {
    TemporaryDeviceRoot root;
    EXPECT_EQ(read("key"), std::nullopt) << "missing file";

    root.writePreferences(domain, {{"key", PropertyValue::boolean(true)}},
                          PropertyListFormat::Binary);
    std::ifstream written(root.hostPath(domainFile), std::ios::binary);
    std::string complete{std::istreambuf_iterator<char>(written), {}};
    ASSERT_TRUE(read("key").has_value());

    // Empty, malformed XML, a list that is not a dictionary, no list, and a cut binary list.
    for (auto contents :
         {std::string(), testData("malformed.plist"), testData("top-level-array.plist"),
          std::string("not a list at all"), complete.substr(0, complete.size() - 12)}) {
        root.writePreferenceFile(domain, contents);
        EXPECT_EQ(read("key"), std::nullopt) << contents;
    }
}

TEST(PreferenceStore, FolderInPlaceOfTheFileHoldsNoKeys) {
    TemporaryDeviceRoot root;
    root.makeFolder(domainFile);
    EXPECT_EQ(read("key"), std::nullopt);
}

TEST(PreferenceStore, ReadsEveryKindFromAHandWrittenList) {
    TemporaryDeviceRoot root;
    root.writePreferenceFile(domain, testData("all-kinds.plist"));
    EXPECT_EQ(read("switchOn"), PropertyValue::boolean(true));
    EXPECT_EQ(read("switchOff"), PropertyValue::boolean(false));
    EXPECT_EQ(read("negative"), PropertyValue::integer(-3));
    EXPECT_EQ(read("two"), PropertyValue::integer(2));
    EXPECT_EQ(read("half"), PropertyValue::real(0.5));
    EXPECT_EQ(read("name"), PropertyValue::string("Particle Spin.v2 \xC3\xA9"));
    EXPECT_EQ(read("blob"), PropertyValue::ofKind(PropertyKind::Data));
    EXPECT_EQ(read("when"), PropertyValue::ofKind(PropertyKind::Date));
    EXPECT_EQ(read("list"), PropertyValue::ofKind(PropertyKind::Array));
    EXPECT_EQ(read("nested"), PropertyValue::ofKind(PropertyKind::Dictionary));
    EXPECT_EQ(read("Name"), std::nullopt) << "keys match case-sensitively";
    EXPECT_EQ(read(std::string("name\0suffix", 11)), std::nullopt);
}

// A damaged binary list whose "batteryanimation" string holds a NUL character: libplist's
// copying accessor asserts against one, so reading it must not go through that accessor.
TEST(PreferenceStore, AStringHoldingNulIsReadWhole) {
    TemporaryDeviceRoot root;
    root.writePreferenceFile(domain, testData("string-with-nul.plist"));
    const std::string withNul("Parti\0\xE6\x8D\xAC"
                              "e Spin.v2 \xC3\xA9",
                              21);
    EXPECT_EQ(read("batteryanimation"), PropertyValue::string(withNul));
}

class PreferenceFormats : public ::testing::TestWithParam<PropertyListFormat> {};

TEST_P(PreferenceFormats, ValuesComeBackAsWritten) {
    TemporaryDeviceRoot root;
    constexpr auto smallest = std::numeric_limits<std::int64_t>::min();
    velorin::testing::PreferenceEntries entries = {
        {"on", PropertyValue::boolean(true)},
        {"zero", PropertyValue::integer(0)},
        {"smallest", PropertyValue::integer(smallest)},
        {"large", PropertyValue::integer(1'000'000'000'000)},
        {"real", PropertyValue::real(-2.25)},
        {"empty", PropertyValue::string("")},
        {"data", PropertyValue::ofKind(PropertyKind::Data)},
        {"date", PropertyValue::ofKind(PropertyKind::Date)},
    };
    root.writePreferences(domain, entries, GetParam());
    for (const auto& [key, value] : entries)
        EXPECT_EQ(read(key), value) << key;
    EXPECT_EQ(read("absent"), std::nullopt);

    // The file is read at every call: a change made from outside is seen at once.
    root.writePreferences(domain, {{"on", PropertyValue::boolean(false)}}, GetParam());
    EXPECT_EQ(read("on"), PropertyValue::boolean(false));
    EXPECT_EQ(read("zero"), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(XmlAndBinary, PreferenceFormats,
                         ::testing::Values(PropertyListFormat::Xml, PropertyListFormat::Binary));

TEST(PreferenceStore, FileLiesUnderTheDeviceRoot) {
    TemporaryDeviceRoot root;
    EXPECT_EQ(platform::preferenceFilePath(domain), root.path().string() + "/" + domainFile);
}

TEST(PropertyValueTruth, NumbersByZeroStringsByTheirTextOtherKindsFalse) {
    using platform::boolValue;
    EXPECT_TRUE(boolValue(PropertyValue::integer(2)));
    EXPECT_TRUE(boolValue(PropertyValue::integer(-1)));
    EXPECT_FALSE(boolValue(PropertyValue::integer(0)));
    EXPECT_TRUE(boolValue(PropertyValue::real(0.25)));
    EXPECT_FALSE(boolValue(PropertyValue::real(0.0)));
    EXPECT_TRUE(boolValue(PropertyValue::string("YES")));
    EXPECT_FALSE(boolValue(PropertyValue::string("false")));
    EXPECT_FALSE(boolValue(PropertyValue::ofKind(PropertyKind::Array)));
    EXPECT_FALSE(boolValue(PropertyValue{PropertyKind::Boolean, {}})) << "kind without value";
}

} // namespace
