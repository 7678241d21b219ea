#include "sequences/FrameOrdering.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace velorin {
namespace {

using Names = std::vector<std::string>;

Names numbered(const std::string& prefix, int first, int last, int width = 0) {
    Names names;
    for (int number = first; number <= last; ++number) {
        auto digits = std::to_string(number);
        if (static_cast<int>(digits.size()) < width)
            digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
        names.push_back(prefix + digits + ".png");
    }
    return names;
}

// Names that the rule cannot read as their author meant still come out once each, in a
// defined order, and never stop the caller.

TEST(FrameOrdering, FirstNameWithoutDigitGivesEveryKeyZeroAndKeepsListingOrder) {
    Names names{"cover.png", "frame2.png", "frame1.png"};
    auto order = orderFrames(names);
    EXPECT_EQ(order.prefixLength, 0);
    for (const auto& frame : order.frames) {
        EXPECT_EQ(frame.window.sortKey, 0);
        EXPECT_EQ(frame.window.text, "");
    }
    EXPECT_EQ(sortArrayByNumbersInString(names), names);
}

TEST(FrameOrdering, WindowPastTheEndOfANameIsCutThere) {
    auto window = numberWindow("particlespin_1.png", 13);
    EXPECT_EQ(window.text, "1.png");
    EXPECT_EQ(window.sortKey, 1);
    EXPECT_TRUE(window.cutAtEnd);

    EXPECT_EQ(sortArrayByNumbersInString(
                  {"particlespin_3.png", "particlespin_1.png", "particlespin_2.png"}),
              (Names{"particlespin_1.png", "particlespin_2.png", "particlespin_3.png"}));

    // A window that starts past the end is empty.
    auto beyond = numberWindow("ab.png", 10);
    EXPECT_EQ(beyond.text, "");
    EXPECT_EQ(beyond.sortKey, 0);
    EXPECT_TRUE(beyond.cutAtEnd);
}

TEST(FrameOrdering, HugePrefixLengthEmptyAndMalformedNamesAreHarmless) {
    std::string longPrefix(5000, 'x');
    Names names{longPrefix + "7.png",
                "",
                "a1.png",
                "\xff\xfe"
                "3.png",
                "\xc3",
                longPrefix};
    auto order = orderFrames(names);
    EXPECT_EQ(order.prefixLength, 5000);
    ASSERT_EQ(order.frames.size(), names.size());
    EXPECT_EQ(numberWindow("x", std::numeric_limits<std::int32_t>::max()).text, "");
    // Malformed bytes count as one character each, so the digit lies at position 2.
    EXPECT_EQ(findPrefixLength("\xff\xfe"
                               "3.png"),
              2);
    EXPECT_EQ(numberWindow("\xff\xfe"
                           "3.png",
                           2)
                  .sortKey,
              3);
}

TEST(FrameOrdering, PositionsCountUtf16CodeUnits) {
    // "ä" is two bytes but one code unit; the film-frame emoji is two code units.
    EXPECT_EQ(findPrefixLength("fr\xc3\xa4me1.png"), 5);
    EXPECT_EQ(numberWindow("fr\xc3\xa4me12.png", 5).text, "12.pn");
    EXPECT_EQ(findPrefixLength("\xf0\x9f\x8e\x9e"
                               "1.png"),
              2);
    EXPECT_EQ(numberWindow("\xf0\x9f\x8e\x9e"
                           "12.png",
                           2)
                  .sortKey,
              12);
    // A window that splits a surrogate pair still reads without harm.
    EXPECT_EQ(numberWindow("abc\xf0\x9f\x8e\x9e.png", 2).sortKey, 0);
}

TEST(FrameOrdering, EqualKeysKeepListingOrder) {
    // With a one-character prefix, a10 to a12 read as 1 and tie with a1.
    Names names{"a1.png", "a10.png", "a11.png", "a12.png", "a2.png", "a3.png"};
    EXPECT_EQ(sortArrayByNumbersInString(names), names);
    // A digit in the prefix gives every frame the same key.
    Names prefixed{"anim2_003.png", "anim2_001.png", "anim2_002.png"};
    EXPECT_EQ(numberWindow("anim2_001.png", 4).text, "2_00");
    EXPECT_EQ(sortArrayByNumbersInString(prefixed), prefixed);
}

// Names that keep the author's rule play in the order of their numbers.

TEST(FrameOrdering, NumbersWithAndWithoutLeadingZerosPlayInNumberOrder) {
    auto expected = numbered("frame", 1, 12);
    auto shuffled = expected;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    // Whichever name comes first, its prefix has the same length.
    EXPECT_EQ(sortArrayByNumbersInString(shuffled), expected);

    auto padded = numbered("img_", 1, 120, 4);
    auto reversed = Names(padded.rbegin(), padded.rend());
    auto order = orderFrames(reversed);
    EXPECT_EQ(order.prefixLength, 4);
    EXPECT_EQ(order.frames.front().window.text, "0001");
    EXPECT_EQ(order.frames.back().window.text, "0120");
    EXPECT_EQ(sortArrayByNumbersInString(reversed), padded);

    EXPECT_EQ(numberWindow("frame7.png", 5).text, "7.png");
    EXPECT_EQ(numberWindow("frame12.png", 5).text, "12.pn");
    EXPECT_EQ(numberWindow("frame99999.png", 5).sortKey, 99999);
}

TEST(FrameOrdering, NameWithoutNumberBesideFramesGetsKeyZero) {
    Names names{"frame2.png", "frame1.png", "coverimage.png"};
    EXPECT_EQ(numberWindow("coverimage.png", 5).text, "image");
    EXPECT_EQ(sortArrayByNumbersInString(names),
              (Names{"coverimage.png", "frame1.png", "frame2.png"}));
}

TEST(FrameOrdering, RecordsWhereEachNameStoodInTheListing) {
    auto order = orderFrames({"frame3.png", "frame1.png", "frame2.png"});
    ASSERT_EQ(order.frames.size(), 3u);
    EXPECT_EQ(order.frames[0].listingIndex, 1u);
    EXPECT_EQ(order.frames[1].listingIndex, 2u);
    EXPECT_EQ(order.frames[2].listingIndex, 0u);
}

// Whatever the names, every one comes out exactly once, in ascending key with ties in listing
// order, and the same list always gives the same order.
TEST(FrameOrdering, AnyNamesComeOutOnceInAStableDeterministicOrder) {
    const std::vector<std::string> pieces{
        "a",    "Z", "_", "-", ".", " ", "0", "1", "7", "9", "png", "\xc3\xa4", "\xf0\x9f\x8e\x9e",
        "\xff", "%", "+"};
    std::mt19937 random(20260);
    for (int round = 0; round < 300; ++round) {
        Names names(std::uniform_int_distribution<int>(0, 30)(random));
        for (auto& name : names) {
            int length = std::uniform_int_distribution<int>(0, 14)(random);
            for (int piece = 0; piece < length; ++piece)
                name += pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() -
                                                                                 1)(random)];
        }
        auto order = orderFrames(names);
        auto sorted = sortArrayByNumbersInString(names);
        ASSERT_EQ(sorted, sortArrayByNumbersInString(names));

        auto given = names;
        auto taken = sorted;
        std::sort(given.begin(), given.end());
        std::sort(taken.begin(), taken.end());
        ASSERT_EQ(given, taken);

        for (std::size_t index = 1; index < order.frames.size(); ++index) {
            const auto& before = order.frames[index - 1];
            const auto& after = order.frames[index];
            ASSERT_LE(before.window.sortKey, after.window.sortKey);
            if (before.window.sortKey == after.window.sortKey) {
                ASSERT_LT(before.listingIndex, after.listingIndex);
            }
        }
    }
}

} // namespace
} // namespace velorin
