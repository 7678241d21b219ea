// The preference store's own property-list reader, held to libplist's reading of the same bytes:
// the same lists refused for the same reason, and the same value under every key.
#include "platform/PropertyListLimits.h"
#include "platform/PropertyListValues.h"
#include "tests/support/PropertyListReference.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>

namespace {

using platform::PropertyKind;
using platform::PropertyListFault;
using platform::PropertyValue;
using velorin::testing::PropertyListReading;

constexpr const auto& keys = velorin::testing::comparedKeys;

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string describe(const PropertyListReading& reading) {
    if (const auto* fault = std::get_if<PropertyListFault>(&reading))
        return "fault " + std::to_string(static_cast<int>(*fault));
    std::ostringstream text;
    const auto& values = std::get<platform::PropertyListValues>(reading);
    for (std::size_t index = 0; index < values.size(); ++index) {
        if (!values[index])
            continue;
        text << '"' << keys[index] << "\" kind " << static_cast<int>(values[index]->kind);
        if (const auto* string = values[index]->stringValue())
            text << " \"" << *string << '"';
        if (const auto* integer = std::get_if<std::int64_t>(&values[index]->value))
            text << ' ' << *integer;
        if (const auto* real = std::get_if<double>(&values[index]->value))
            text << ' ' << *real;
        if (const auto* boolean = std::get_if<bool>(&values[index]->value))
            text << ' ' << *boolean;
        text << "; ";
    }
    return text.str();
}

PropertyListReading own(std::string_view list) {
    return platform::readPropertyListValues(bytesOf(list), keys);
}

::testing::AssertionResult readsAsLibplist(std::string_view list) {
    auto mine = own(list);
    auto reference = velorin::testing::referenceReading(bytesOf(list), keys);
    if (velorin::testing::sameReading(mine, reference))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "read " << describe(mine) << "\nlibplist " << describe(reference);
}

std::string xmlList(std::string_view body) {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">") +
           std::string(body) + "</plist>\n";
}

// A binary list of the given objects (each a marker and its contents), one-byte offsets and
// references, the first object on top.
std::string binaryList(const std::vector<std::string>& objects) {
    std::string list = "bplist00";
    std::string offsets;
    for (const std::string& object : objects) {
        offsets.push_back(static_cast<char>(list.size()));
        list += object;
    }
    const std::size_t table = list.size();
    list += offsets;
    std::string trailer(32, '\0');
    trailer[6] = 1;
    trailer[7] = 1;
    trailer[15] = static_cast<char>(objects.size());
    trailer[31] = static_cast<char>(table);
    return list + trailer;
}

std::string text(std::string_view characters) {
    return std::string(1, static_cast<char>(0x50 + characters.size())) + std::string(characters);
}

std::string utf16(std::u16string_view units) {
    std::string object(1, static_cast<char>(0x60 + units.size()));
    for (char16_t unit : units) {
        object.push_back(static_cast<char>(unit >> 8));
        object.push_back(static_cast<char>(unit & 0xFF));
    }
    return object;
}

// A dictionary of `count` entries whose keys are the objects 1 to count and values the next.
std::string dictionary(std::size_t count) {
    std::string object(1, static_cast<char>(0xD0 + count));
    for (std::size_t entry = 0; entry < 2 * count; ++entry)
        object.push_back(static_cast<char>(entry + 1));
    return object;
}

PropertyListReading valuesWith(std::initializer_list<std::pair<std::size_t, PropertyValue>> set) {
    platform::PropertyListValues values(keys.size());
    for (const auto& [index, value] : set)
        values[index] = value;
    return values;
}

constexpr std::size_t keyA = 7;
constexpr std::size_t keyB = 8;

TEST(PropertyListValues, RefusedListsGiveLibplistsReason) {
    struct Case {
        std::string list;
        PropertyListFault fault;
    };
    const std::vector<Case> cases{
        {"", PropertyListFault::Unreadable},
        {"<dict/>", PropertyListFault::Unreadable},
        {xmlList("<dict><key>a</key><true/>"), PropertyListFault::Unreadable},
        {xmlList("<dict><key>a</key><string>&bogus;</string></dict>"),
         PropertyListFault::Unreadable},
        {xmlList("<dict><key>a</key><string>x<b/></string></dict>"), PropertyListFault::Unreadable},
        {xmlList("<dict><true/></dict>"), PropertyListFault::Unreadable},
        {xmlList("<array><true/></array>"), PropertyListFault::NotDictionary},
        {xmlList("<string>a</string>"), PropertyListFault::NotDictionary},
        {binaryList({dictionary(1), text("a"), utf16(u"")}), PropertyListFault::Unreadable},
        {binaryList({dictionary(1), "\x11\x01\x02", text("a")}), PropertyListFault::Unreadable},
        {binaryList({dictionary(1), text("a"), std::string(1, '\0')}),
         PropertyListFault::Unreadable},
        {binaryList({"\xA1\x01", "\x09"}), PropertyListFault::NotDictionary},
        // The limits check cannot follow a cut binary list either.
        {binaryList({dictionary(1), text("a"), "\x09"}).substr(0, 30),
         PropertyListFault::PastLimits},
    };
    for (const Case& refused : cases) {
        EXPECT_TRUE(readsAsLibplist(refused.list)) << refused.list;
        EXPECT_TRUE(velorin::testing::sameReading(own(refused.list), refused.fault))
            << refused.list << "\n"
            << describe(own(refused.list));
    }
    std::string deep;
    for (std::size_t level = 0; level <= platform::maximumPropertyListDepth; ++level)
        deep += "<array>";
    EXPECT_TRUE(velorin::testing::sameReading(own(xmlList("<dict><key>a</key>" + deep)),
                                              PropertyListFault::PastLimits));
}

TEST(PropertyListValues, KeysGivenTwiceCountLastInXmlAndFirstInBinary) {
    const std::string xml =
        xmlList("<dict><key>a</key><integer>1</integer><key>a</key><integer>2</integer></dict>");
    EXPECT_TRUE(readsAsLibplist(xml));
    EXPECT_TRUE(
        velorin::testing::sameReading(own(xml), valuesWith({{keyA, PropertyValue::integer(2)}})));
    const std::string binary = binaryList({"\xD2\x01\x01\x02\x03", text("a"), "\x08", "\x09"});
    EXPECT_TRUE(readsAsLibplist(binary));
    EXPECT_TRUE(velorin::testing::sameReading(own(binary),
                                              valuesWith({{keyA, PropertyValue::boolean(false)}})));
}

TEST(PropertyListValues, XmlReadsAsLibplistReadsItQuirksIncluded) {
    const std::vector<std::string> bodies{
        // Reading stops where the top-level value ends.
        "<dict><key>a</key><true/></dict>garbage <<>",
        "<dict/><key>a</key><true/>",
        "<dict/></plist><key>a</key><false/>",
        // Entities, CDATA and comments inside texts.
        "<dict><key>a</key><string>&ampersand; "
        "&lt;&gt;&quot;&apos;&#65;&#x42;&#x10000;</string></dict>",
        "<dict><key>a</key><string>x&</string><key>b</key><string>&#0;</string></dict>",
        "<dict><key>a</key><string><![CDATA[&lt;]]>&lt;<!-- c --> t</string></dict>",
        "<dict><key>a</key><string>&#x0x41;</string></dict>",
        "<dict><key>a</key><string>&# 65;</string></dict>",
        "<dict><key>a</key><string>&;</string></dict>",
        "<dict><key>a</key><string>&#123456789;</string></dict>",
        // Two keys in a row, an empty key, keys in an array.
        "<dict><key>a</key><key>b</key></dict>",
        "<dict><key>a</key><key/><key>b</key><true/></dict>",
        "<dict><key></key><true/></dict>",
        "<array><key>a</key></array>",
        // Numbers as the C library reads them.
        "<dict><key>a</key><integer> 0x1F </integer><key>b</key><integer>--5</integer></dict>",
        "<dict><key>a</key><integer>18446744073709551615</integer><key>b</"
        "key><integer>-9223372036854775809</integer></dict>",
        "<dict><key>a</key><integer>010</integer><key>b</key><integer><!--c-->7</integer></dict>",
        "<dict><key>a</key><real>1e-400</real><key>b</key><real>nan(12)</real></dict>",
        "<dict><key>a</key><real><![CDATA[2.5]]></real><key>b</key><real>0x1p3</real></dict>",
        "<dict><key>a</key><integer/><key>b</key><real></real></dict>",
        // Tags: attributes, quotes, empty forms, odd spacing, names cut at a NUL.
        "<dict a=\"x>y\"><key>a</key><true a='1'/></dict>",
        "<dict ><key >a</key ><false/ ></dict>",
        "<dict><key>a</key><true>ignored</true></dict>",
        "<dict><key>a</key><data>AAEC</data><key>b</key><date>2020-01-01T00:00:00Z</date></dict>",
        std::string("<dict><key\0x>a</key\0y><true/></dict>", 36),
        std::string("<dict><key>a\0b</key><string>c\0d&amp;</string></dict>", 52),
        "<dict><key>a</key><string/><key>b</key><dict><key>a</key><true/></dict></dict>",
        "<dict><plist><key>a</key><true/></plist></dict>",
        "<dict><key>a</key><array><plist></array></dict>",
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" [ <!ENTITY x \"]>\"> ]><dict/>",
        "<?pi \"?>\" ?><!-- <dict> --><dict><key>a</key><true/></dict>",
    };
    for (const std::string& body : bodies) {
        EXPECT_TRUE(readsAsLibplist(body)) << body;
        EXPECT_TRUE(readsAsLibplist(xmlList(body))) << xmlList(body);
    }
}

TEST(PropertyListValues, BinaryReadsAsLibplistReadsItQuirksIncluded) {
    const std::vector<std::string> lists{
        // Texts: cut at a NUL when of bytes, whole when of UTF-16, with broken surrogates.
        binaryList({dictionary(1), text(std::string("a\0z", 3)), text(std::string("b\0c", 3))}),
        binaryList({dictionary(1), text("a"), utf16(u"x\u0000y")}),
        binaryList({dictionary(1), utf16(u"a\u0000junk"), text("v")}),
        binaryList({dictionary(1), text("a"), utf16(u"\xD83D\xDE00\xD800\xD800\xDC00\xDC00.")}),
        binaryList({dictionary(1), text("a"),
                    utf16(u"\xD800"
                          u"b\xDC01")}),
        // Integers of every width, the 16-byte one read from its low half, and the rest refused.
        binaryList({dictionary(1), text("a"), "\x10\xFF"}),
        binaryList({dictionary(1), text("a"), "\x13\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFE"}),
        binaryList(
            {dictionary(1), text("a"),
             std::string("\x14\x01\x02\x03\x04\x05\x06\x07\x08\x00\x00\x00\x00\x00\x00\x00\x2A",
                         17)}),
        binaryList({dictionary(1), text("a"), std::string("\x15", 1) + std::string(32, '\0')}),
        // Reals of four and eight bytes, dates, data, UIDs, sets.
        binaryList({dictionary(1), text("a"), std::string("\x22\x3F\xC0\x00\x00", 5)}),
        binaryList(
            {dictionary(1), text("a"), std::string("\x23\x7F\xF8\x00\x00\x00\x00\x00\x01", 9)}),
        binaryList({dictionary(1), text("a"), std::string("\x33", 1) + std::string(8, '\0')}),
        binaryList({dictionary(1), text("a"), std::string("\x32", 1) + std::string(4, '\0')}),
        binaryList({dictionary(1), text("a"), "\x42\x01\x02"}),
        binaryList({dictionary(1), text("a"), "\x81\x01\x02"}),
        binaryList({dictionary(1), text("a"), "\x84\x01\x02\x03\x04\x05"}),
        binaryList({dictionary(1), text("a"), "\xC1\x01"}),
        // Sizes that follow the marker, and sizes that run past the table.
        binaryList({dictionary(1), text("a"), "\x5F\x10\x03xyz"}),
        binaryList({dictionary(1), text("a"), "\x5F\x14xyz"}),
        binaryList({dictionary(1), text("a"), "\x5F\x20\x03xyz"}),
        binaryList({dictionary(1), text("a"), "\x59xyz"}),
        binaryList({"\xD1\x01\x09", text("a")}),
        // Markers no list uses, and a null.
        binaryList({dictionary(1), text("a"), "\x70"}),
        binaryList({dictionary(1), text("a"), "\x0F"}),
        // A value shared by two keys, and an array that holds the dictionary's key.
        binaryList({"\xD2\x01\x03\x02\x02", text("a"), "\xA1\x01", text("b")}),
    };
    for (const std::string& list : lists)
        EXPECT_TRUE(readsAsLibplist(list)) << describe(own(list));
}

// Every byte of a small list of each form changed in a few ways, or cut away: a thousand
// malformed lists that stay close to well-formed ones.
TEST(PropertyListValues, MutatedListsReadAsLibplistReadsThem) {
    const std::string xml = xmlList(
        "<dict><key>a</key><string>x&amp;<![CDATA[y]]></string><key>b</key><integer>-7</integer>"
        "<key>hidebattery</key><false/><key>key</key><array><real>2</real></array></dict>");
    const std::string binary = binaryList({"\xD3\x01\x02\x03\x04\x05\x06", text("a"), utf16(u"b"),
                                           text("key"), text("xy"), "\x11\x01\x02", "\xA1\x05"});
    for (const std::string& base : {xml, binary}) {
        for (std::size_t at = 0; at < base.size(); ++at) {
            EXPECT_TRUE(readsAsLibplist(base.substr(0, at))) << "cut at " << at;
            std::string removed = base;
            removed.erase(at, 1);
            EXPECT_TRUE(readsAsLibplist(removed)) << "byte " << at << " removed";
            for (char replacement : {'\0', '<', '>', '/', '"', '&', ';', '\xFF', '\x01'}) {
                std::string changed = base;
                changed[at] = replacement;
                EXPECT_TRUE(readsAsLibplist(changed)) << "byte " << at << " now " << +replacement;
            }
        }
    }
}

TEST(PropertyListValues, StoredListsReadAsLibplistReadsThem) {
    namespace fs = std::filesystem;
    std::size_t files = 0;
    for (const fs::path& folder :
         {fs::path(VELORIN_TEST_DATA_DIR) / "platform/data",
          fs::path(VELORIN_TEST_DATA_DIR) / "../fuzz/corpus/preferences"}) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            std::ifstream file(entry.path(), std::ios::binary);
            std::string list{std::istreambuf_iterator<char>(file), {}};
            EXPECT_TRUE(readsAsLibplist(list)) << entry.path();
            ++files;
        }
    }
    EXPECT_GE(files, 10u);
}

} // namespace
