#include "platform/StringValues.h"

#include <clocale>
#include <gtest/gtest.h>
#include <limits>

namespace {

using namespace platform;

TEST(FloatValue, ReadsTheLeadingNumberOnly) {
    struct Case {
        const char* text;
        float expected;
    };
    const float infinity = std::numeric_limits<float>::infinity();
    for (auto [text, expected] : {Case{"", 0.0f},
                                  Case{"abc", 0.0f},
                                  Case{".", 0.0f},
                                  Case{"-", 0.0f},
                                  Case{"e5", 0.0f},
                                  Case{"inf", 0.0f},
                                  Case{"nan", 0.0f},
                                  Case{"0x10", 0.0f},
                                  Case{"--1", 0.0f},
                                  Case{"10.3.1", 10.3f},
                                  Case{" \t\n-2.5e2x", -250.0f},
                                  Case{"+.5", 0.5f},
                                  Case{"7.", 7.0f},
                                  Case{"1e", 1.0f},
                                  Case{"1e+", 1.0f},
                                  Case{"1E-2", 0.01f},
                                  Case{"1e999", infinity},
                                  Case{"-1e999", -infinity},
                                  Case{"1e-999", 0.0f},
                                  Case{"0.0000000000e99999999999999", 0.0f}}) {
        EXPECT_EQ(floatValue(text), expected) << '"' << text << '"';
    }
}

TEST(FloatValue, IgnoresTheProcessLocale) {
    // A locale whose decimal separator is a comma, where one is installed.
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma";
    EXPECT_EQ(floatValue("11.2"), 11.2f);
    std::setlocale(LC_NUMERIC, "C");
}

TEST(IntegerValue, ReadsDecimalDigitsAndSaturates) {
    constexpr auto largest = std::numeric_limits<std::int64_t>::max();
    constexpr auto smallest = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(integerValue(""), 0);
    EXPECT_EQ(integerValue("x1"), 0);
    EXPECT_EQ(integerValue(" +42abc"), 42);
    EXPECT_EQ(integerValue("-7.9"), -7);
    EXPECT_EQ(integerValue("9223372036854775807"), largest);
    EXPECT_EQ(integerValue("9223372036854775808"), largest);
    EXPECT_EQ(integerValue("-9223372036854775808"), smallest);
    EXPECT_EQ(integerValue("-99999999999999999999999"), smallest);
}

TEST(StringBoolValue, TrueOnYTOrANonZeroDigit) {
    for (auto text : {"YES", "yes", "true", "T", " +0001", "-5", "00y", "9 lives"})
        EXPECT_TRUE(boolValue(text)) << text;
    for (auto text : {"", "  ", "0", "000", "no", "false", "0.9", "+", "on", "\xC3\xBD"})
        EXPECT_FALSE(boolValue(text)) << text;
}

TEST(Utf16, CountsUnitsAndReplacesEachMalformedByte) {
    EXPECT_EQ(toUtf16("a\xC3\xA9\xF0\x9F\x98\x80"), (std::u16string{u'a', 0xE9, 0xD83D, 0xDE00}));
    // A cut sequence, an overlong form, an encoded surrogate and a stray byte.
    EXPECT_EQ(toUtf16("\xE2\x82"
                      "A"),
              (std::u16string{0xFFFD, 0xFFFD, u'A'}));
    EXPECT_EQ(toUtf16("\xC0\xAF"), (std::u16string{0xFFFD, 0xFFFD}));
    EXPECT_EQ(toUtf16("\xED\xA0\x80"), std::u16string(3, 0xFFFD));
    EXPECT_EQ(toUtf16("\xF4\x90\x80\x80"), std::u16string(4, 0xFFFD)) << "past U+10FFFF";
    EXPECT_EQ(toUtf16("\xFF"
                      "b"),
              (std::u16string{0xFFFD, u'b'}));

    const std::string text = "Spin \xE2\x9A\xA1 \xF0\x9F\x94\x8B";
    EXPECT_EQ(toUtf8(toUtf16(text)), text);
    EXPECT_EQ(toUtf8(std::u16string{u'x', 0xD800, u'y', 0xDC00}), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
}

} // namespace
