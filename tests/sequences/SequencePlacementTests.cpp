// Placement of the animated view from a sequence's options, on a 400 × 800 container.
#include "sequences/SequenceDirectory.h"
#include "sequences/SequenceOptions.h"
#include "sequences/SequencePlacement.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string_view>
#include <unistd.h>

namespace velorin {
namespace {

SequencePlacement place(std::string_view options) {
    std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(options.data()),
                                        options.size());
    return computePlacement(bytes, 400, 800);
}

void expectRectangle(const SequencePlacement& placement, float x, float y, float width,
                     float height) {
    EXPECT_EQ(placement.x, x);
    EXPECT_EQ(placement.y, y);
    EXPECT_EQ(placement.width, width);
    EXPECT_EQ(placement.height, height);
}

TEST(SequencePlacementTest, UnreadableOptionsGiveEveryDefault) {
    for (std::string_view options :
         {"", "{", "not json", "[1, 2]", "\"width\"", "42", "null", "{\"width\": 200,}",
          "{\"width\": \"\xff\xfe\"}", "{\"width\": 1e999999}"}) {
        SequencePlacement placement = place(options);
        expectRectangle(placement, 125, 630, 150, 150);
        EXPECT_EQ(placement.animationDuration, 2) << options;
    }
    expectRectangle(computePlacement(std::nullopt, 400, 800), 125, 630, 150, 150);
}

// One file for each kind of text the JSON reader refuses, beside this test.
TEST(SequencePlacementTest, EveryKindOfInvalidJsonGivesEveryDefault) {
    namespace fs = std::filesystem;
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(VELORIN_TEST_DATA_DIR) /
                                                    "sequences/data/invalid-options")) {
        std::ifstream file(entry.path(), std::ios::binary);
        std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        SequencePlacement placement = place(text);
        SCOPED_TRACE(entry.path().filename().string());
        expectRectangle(placement, 125, 630, 150, 150);
        EXPECT_EQ(placement.animationDuration, 2);
        ++files;
    }
    EXPECT_EQ(files, 13u);
    // Nesting a million levels deep is read without recursion, and is not an options object.
    expectRectangle(place(std::string(1'000'000, '[') + std::string(1'000'000, ']')), 125, 630, 150,
                    150);
    expectRectangle(place("{\"width\": " + std::string(1'000'000, '[')), 125, 630, 150, 150);
}

TEST(SequencePlacementTest, MembersOfTheWrongKindCountAsAbsent) {
    expectRectangle(place(R"({"width": null, "height": [3], "x": {"a": 1}, "y": null})"), 125, 630,
                    150, 150);
}

TEST(SequencePlacementTest, AMemberGivenTwiceCountsAsGivenLastAndNestedNamesAreNoMembers) {
    expectRectangle(place(R"({"width": 100, "width": 200})"), 125, 630, 200, 150);
    expectRectangle(place(R"({"width": 100, "width": null})"), 125, 630, 150, 150);
    expectRectangle(place(R"({"width": [1], "width": "120"})"), 125, 630, 120, 150);
    expectRectangle(place(R"({"box": {"width": 10, "x": "right"}, "list": [{"height": 5}]})"), 125,
                    630, 150, 150);
    // The object under "x" makes "x" absent; the name inside it is not read.
    expectRectangle(place(R"({"x": {"x": 7}, "height": 100})"), 125, 630, 150, 100);
}

TEST(SequencePlacementTest, DefaultPositionDoesNotFollowTheSize) {
    expectRectangle(place(R"({"width": 200})"), 125, 630, 200, 150);
    expectRectangle(place(R"({"xOffsetFromBottom": 30, "yOffsetFromBottom": 0})"), 125, 630, 150,
                    150);
}

TEST(SequencePlacementTest, CenterRightAndBottomUseTheFilesSizesAndOffsets) {
    EXPECT_EQ(place(R"({"x": "center", "width": 200})").x, 100);
    EXPECT_EQ(place(R"({"x": "right", "width": 100, "xOffsetFromBottom": 10})").x, 290);
    EXPECT_EQ(place(R"({"width": 100, "x": "right"})").x, 300);
    SequencePlacement timed = place(R"({"x": "right", "animationDuration": 3})");
    EXPECT_EQ(timed.x, 250);
    EXPECT_EQ(timed.animationDuration, 3);
    EXPECT_EQ(place(R"({"y": "bottom", "height": 100})").y, 680);
    EXPECT_EQ(place(R"({"y": "bottom", "height": 100, "yOffsetFromBottom": 0})").y, 700);
    EXPECT_EQ(place(R"({"y": "center", "height": 100, "width": 300})").y, 350);
}

TEST(SequencePlacementTest, WordsAreMatchedExactlyAndOnlyOnTheirOwnAxis) {
    EXPECT_EQ(place(R"({"x": "Center"})").x, 0);
    EXPECT_EQ(place(R"({"x": "bottom"})").x, 0);
    EXPECT_EQ(place(R"({"y": "right"})").y, 0);
    EXPECT_EQ(place(R"({"Width": 300})").width, 150);
}

TEST(SequencePlacementTest, NumbersAsStringsAndBooleansReadAsNumbers) {
    EXPECT_EQ(place(R"({"x": 42.5})").x, place(R"({"x": "42.5"})").x);
    EXPECT_EQ(place(R"({"x": "  17px"})").x, 17);
    EXPECT_EQ(place(R"({"width": true})").width, 1);
    // Values are used as they are, however odd.
    EXPECT_EQ(place(R"({"width": -5, "animationDuration": 0})").width, -5);
    EXPECT_TRUE(std::isinf(place(R"({"x": 1e300})").x));
}

TEST(SequenceDirectoryTest, NamesThatCouldLeaveTheSequenceRootNameNoSequence) {
    for (const std::string& name :
         std::vector<std::string>{"..", ".", "./", "/", "", "../particlespin", "a/../b", "a/..",
                                  "a/b/..", std::string("..\0x", 4), std::string("a\0b", 3)}) {
        EXPECT_EQ(sequenceDirectory(name), std::nullopt) << name;
        EXPECT_EQ(sequenceFolderName(name), std::nullopt) << name;
    }
}

TEST(SequenceDirectoryTest, OtherNamesAreJoinedAsStoredAndNameTheFolderInside) {
    const std::string root = "var/jb/vod/Library/Velorin/chargingSequences/";
    struct Case {
        std::string name;
        std::string folder;
    };
    for (const Case& named :
         {Case{"particlespin", "particlespin"}, Case{"Pulse Wave.v2", "Pulse Wave.v2"},
          Case{"...", "..."}, Case{"alpha/", "alpha"}, Case{"./alpha", "alpha"},
          Case{"set/alpha", "set/alpha"}, Case{"/set//./alpha/", "set/alpha"},
          Case{"..alpha/b..", "..alpha/b.."}}) {
        EXPECT_EQ(sequenceDirectory(named.name), root + named.name + "/") << named.name;
        EXPECT_EQ(sequenceFolderName(named.name), named.folder) << named.name;
    }
}

TEST(SequenceOptionsTest, TheFileIsReadWholeOrNotAtAll) {
    testing::TemporaryDeviceRoot root;
    EXPECT_EQ(readSequenceOptions("seq/"), std::nullopt);
    root.writeFile("seq/options.json", "");
    EXPECT_EQ(readSequenceOptions("seq/"), std::vector<std::uint8_t>{});
    root.writeFile("seq/options.json", "{}");
    EXPECT_EQ(readSequenceOptions("seq/"), (std::vector<std::uint8_t>{'{', '}'}));
    root.makeFolder("folder/options.json");
    EXPECT_EQ(readSequenceOptions("folder/"), std::nullopt);
}

} // namespace
} // namespace velorin
