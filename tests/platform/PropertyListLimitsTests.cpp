// Preference lists nested or shared past what libplist can build hold no keys, and are refused
// quickly; ordinary lists, shared values among them, still read.
#include "platform/PreferenceStore.h"
#include "platform/PropertyListLimits.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

using platform::PropertyKind;
using velorin::testing::TemporaryDeviceRoot;

constexpr const char* domain = "com.example.limits";

std::optional<platform::PropertyValue> read(const std::string& key) {
    return platform::NSUserDefaults::standardUserDefaults()->objectForKey(key, domain);
}

std::string testData(const std::string& name) {
    std::ifstream file(std::string(VELORIN_TEST_DATA_DIR) + "/platform/data/" + name,
                       std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A binary list of objects given by their encodings, with four-byte offsets and references.
class BinaryList {
public:
    std::uint32_t add(std::string encoded) {
        m_objects.push_back(std::move(encoded));
        return static_cast<std::uint32_t>(m_objects.size() - 1);
    }
    static std::string reference(std::uint32_t object) { return bigEndian(object, 4); }
    static std::string container(std::uint8_t type, std::size_t members) {
        if (members < 15)
            return std::string(1, static_cast<char>(type | members));
        return std::string{static_cast<char>(type | 0x0F), '\x12'} + bigEndian(members, 4);
    }
    static std::string text(std::string_view value) {
        return container(0x50, value.size()) + std::string(value);
    }
    // A dictionary of one key whose value is `value`.
    std::uint32_t entry(std::string_view key, std::uint32_t value) {
        return add(container(0xD0, 1) + reference(add(text(key))) + reference(value));
    }

    std::string bytes(std::uint32_t top) const {
        std::string list = "bplist00";
        std::string table;
        for (const auto& object : m_objects) {
            table += bigEndian(list.size(), 4);
            list += object;
        }
        std::size_t tableOffset = list.size();
        list += table;
        list += std::string(6, '\0') + "\x04\x04";
        list += bigEndian(m_objects.size(), 8) + bigEndian(top, 8) + bigEndian(tableOffset, 8);
        return list;
    }

private:
    static std::string bigEndian(std::uint64_t value, int width) {
        std::string bytes;
        for (int shift = (width - 1) * 8; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
        return bytes;
    }
    std::vector<std::string> m_objects;
};

// {"key": a1} where each of `levels` arrays holds the next `width` times; the last holds true.
std::string sharedArrays(int levels, int width) {
    BinaryList list;
    std::uint32_t inner = list.add("\x09");
    for (int level = 0; level < levels; ++level) {
        std::string array = BinaryList::container(0xA0, static_cast<std::size_t>(width));
        for (int member = 0; member < width; ++member)
            array += BinaryList::reference(inner);
        inner = list.add(array);
    }
    return list.bytes(list.entry("key", inner));
}

std::string nestedXml(std::size_t levels, std::string_view around = "") {
    std::string list = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>key</key>";
    for (std::size_t level = 0; level < levels; ++level)
        list += std::string(around) + "<array>";
    list += "<true/>";
    for (std::size_t level = 0; level < levels; ++level)
        list += "</array>";
    return list + "</dict></plist>";
}

TEST(PropertyListLimits, ListsTooDeepForLibplistHoldNoKeys) {
    TemporaryDeviceRoot root;
    // Deep enough to overflow the stack of a process that handed either list to libplist.
    root.writePreferenceFile(domain, sharedArrays(200'000, 1));
    EXPECT_EQ(read("key"), std::nullopt);
    root.writePreferenceFile(domain, nestedXml(400'000));
    EXPECT_EQ(read("key"), std::nullopt);

    const auto limit = platform::maximumPropertyListDepth;
    root.writePreferenceFile(domain, nestedXml(limit - 1));
    EXPECT_EQ(read("key").value().kind, PropertyKind::Array);
    root.writePreferenceFile(domain, nestedXml(limit));
    EXPECT_EQ(read("key"), std::nullopt);
}

TEST(PropertyListLimits, SharedArraysThatWouldExpandPastTheLimitHoldNoKeys) {
    TemporaryDeviceRoot root;
    // 228 bytes whose forty arrays each name the next twice: 2^40 values once copied out.
    root.writePreferenceFile(domain, testData("arrays-shared-2-to-the-40.plist"));
    EXPECT_EQ(read("enablebatteryanimation"), std::nullopt);
    root.writePreferenceFile(domain, sharedArrays(3, 100));
    EXPECT_EQ(read("key"), std::nullopt);

    // Sharing within the limit is ordinary and reads.
    root.writePreferenceFile(domain, sharedArrays(10, 2));
    EXPECT_EQ(read("key").value().kind, PropertyKind::Array);
}

TEST(PropertyListLimits, BinaryListsWhoseStructureCannotBeFollowedAreRefused) {
    auto check = [](const std::string& list) {
        return platform::propertyListWithinLimits(
            std::span(reinterpret_cast<const std::uint8_t*>(list.data()), list.size()));
    };
    std::string good = sharedArrays(2, 2);
    ASSERT_TRUE(check(good));
    EXPECT_FALSE(check(good.substr(0, good.size() - 1))) << "cut trailer";
    EXPECT_FALSE(check("bplist00")) << "no trailer";

    BinaryList cycle;
    cycle.add(BinaryList::container(0xA0, 1) + BinaryList::reference(1));
    cycle.add(BinaryList::container(0xA0, 1) + BinaryList::reference(0));
    EXPECT_FALSE(check(cycle.bytes(0)));

    BinaryList outside;
    outside.add(BinaryList::container(0xA0, 1) + BinaryList::reference(7));
    EXPECT_FALSE(check(outside.bytes(0))) << "a reference past the last object";

    BinaryList overlong;
    overlong.add(BinaryList::container(0xA0, 1'000'000) + BinaryList::reference(0));
    EXPECT_FALSE(check(overlong.bytes(0))) << "more members than bytes";
}

TEST(PropertyListLimits, XmlNestingCountsOnlyOpenElementsOutsideCommentsAndCdata) {
    auto check = [](const std::string& list) {
        return platform::propertyListWithinLimits(
            std::span(reinterpret_cast<const std::uint8_t*>(list.data()), list.size()));
    };
    const auto limit = platform::maximumPropertyListDepth;
    EXPECT_TRUE(check(nestedXml(limit - 1, "<!-- <array><dict> --><array/><dict />")));
    EXPECT_TRUE(check(nestedXml(limit - 1, "<string><![CDATA[<array>]]></string>")));

    TemporaryDeviceRoot root;
    root.writePreferenceFile(domain, "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                                     "<key>key</key><array><!-- <array> --><array/>"
                                     "<string><![CDATA[<dict>]]></string></array></dict></plist>");
    EXPECT_EQ(read("key").value().kind, PropertyKind::Array);
}

TEST(PropertyListLimits, BothFormsHoldTheSameCountOfValues) {
    // A dictionary counts itself, each key and each value: with one key fewer than half the
    // limit it holds one value less than the limit, with half the limit one more.
    auto listOf = [](std::size_t keys, platform::PropertyListFormat format) {
        platform::PropertyListDictionary dictionary;
        for (std::size_t key = 0; key < keys; ++key)
            dictionary.set("k" + std::to_string(key), platform::PropertyValue::boolean(true));
        return dictionary.write(format).value();
    };
    const std::size_t halfLimit = platform::maximumPropertyListValues / 2;
    for (auto format : {platform::PropertyListFormat::Xml, platform::PropertyListFormat::Binary}) {
        EXPECT_TRUE(platform::propertyListWithinLimits(listOf(halfLimit - 1, format)));
        EXPECT_FALSE(platform::propertyListWithinLimits(listOf(halfLimit, format)));
    }
}

} // namespace
