// Placement of the animated view from a sequence's options, on a 400 × 800 container.
#include "integration/LockScreenContainer.h"
#include "integration/Velorin.h"
#include "presentation/PresentationController.h"
#include "sequences/SequenceDirectory.h"
#include "sequences/SequencePlacement.h"
#include "tests/support/ExtensionFixture.h"

#include <cmath>
#include <filesystem>
#include <fstream>
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

TEST(SequenceDirectoryTest, NamesThatWouldLeaveTheSequenceRootNameNoSequence) {
    EXPECT_EQ(sequenceDirectory("particlespin"),
              "var/jb/vod/Library/Velorin/chargingSequences/particlespin/");
    EXPECT_EQ(sequenceDirectory("Pulse Wave.v2"),
              "var/jb/vod/Library/Velorin/chargingSequences/Pulse Wave.v2/");
    for (const std::string& name :
         std::vector<std::string>{"..", ".", "../particlespin", "a/b", std::string("..\0x", 4)})
        EXPECT_EQ(sequenceDirectory(name), std::nullopt) << name;
    EXPECT_TRUE(sequenceDirectory("...").has_value());
}

class SequencePresenterTest : public testing::ExtensionFixture {};

TEST_F(SequencePresenterTest, AnEscapingNameGivesABlankViewWithDefaultsAndReadsNothing) {
    using platform::PropertyValue;
    // Options that would move the view, one level above the sequence root.
    root.writeFile("var/jb/vod/Library/Velorin/options.json", R"({"x": 1, "y": 2})");
    auto& host = start(testing::enabledWith({{"batteryanimation", PropertyValue::string("..")}}));
    host.updatePagePresentation();
    host.changePower(true);
    ASSERT_NE(animationView(), nullptr);
    EXPECT_EQ(animationView()->frame(), platform::CGRectMake(125, 630, 150, 150));
    EXPECT_EQ(animationView()->imagesPath(), std::nullopt);
}

TEST_F(SequencePresenterTest, OptionsAreReadAfreshAndPlaceTheViewInTheContainer) {
    using platform::PropertyValue;
    auto& host = start(testing::enabledWith({{"batteryanimation", PropertyValue::string("dots")}}));
    host.updatePagePresentation();
    const char* options = "var/jb/vod/Library/Velorin/chargingSequences/dots/options.json";
    root.writeFile(options, R"({"width": 100, "x": "right", "animationDuration": 1.5})");
    EXPECT_EQ(handleBatteryOptionsAndAnimate(true, false), 1.5f);
    EXPECT_EQ(animationView()->frame(), platform::CGRectMake(300, 630, 100, 150));
    EXPECT_EQ(animationView()->animationDuration(), 1.5);
    root.writeFile(options, "{}");
    Ref<AnimatedImageView> first = animationView();
    handleBatteryOptionsAndAnimate(true, false);
    // The second view replaces the first: one view in the container.
    EXPECT_EQ(first->superview(), nullptr);
    EXPECT_EQ(containerView()->subviews().size(), 1u);
    EXPECT_EQ(animationView()->frame(), platform::CGRectMake(125, 630, 150, 150));
    // Not locked, or dim: the options are read, and the current view is left alone.
    handleBatteryOptionsAndAnimate(false, false);
    handleBatteryOptionsAndAnimate(true, true);
    EXPECT_EQ(containerView()->subviews().front().get(), animationView().get());
}

TEST_F(SequencePresenterTest, OptionsFileThatCannotBeReadGivesTheDefaultPlacement) {
    using platform::PropertyValue;
    auto& host = start(testing::enabledWith({{"batteryanimation", PropertyValue::string("dots")}}));
    host.updatePagePresentation();
    const std::string options = "var/jb/vod/Library/Velorin/chargingSequences/dots/options.json";
    root.makeFolder(options);
    EXPECT_EQ(handleBatteryOptionsAndAnimate(true, false), 2.0f);
    EXPECT_EQ(animationView()->frame(), platform::CGRectMake(125, 630, 150, 150));

    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not stop reads by the superuser";
    std::filesystem::remove(root.hostPath(options));
    root.writeFile(options, R"({"x": 1, "animationDuration": 3})");
    std::filesystem::permissions(root.hostPath(options), std::filesystem::perms::none);
    EXPECT_EQ(handleBatteryOptionsAndAnimate(true, false), 2.0f);
    EXPECT_EQ(animationView()->frame(), platform::CGRectMake(125, 630, 150, 150));
}

TEST(BatteryAnimationDataTest, GivesTheBytesOrNone) {
    testing::TemporaryDeviceRoot root;
    size_t length = 99;
    EXPECT_EQ(getBatteryAnimationData("seq/", &length), nullptr);
    EXPECT_EQ(length, 0u);
    root.writeFile("seq/options.json", "");
    unsigned char* empty = getBatteryAnimationData("seq/", &length);
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(length, 0u);
    std::free(empty);
    root.writeFile("seq/options.json", "{}");
    unsigned char* bytes = getBatteryAnimationData("seq/", &length);
    ASSERT_EQ(length, 2u);
    EXPECT_EQ(std::string_view(reinterpret_cast<char*>(bytes), 2), "{}");
    std::free(bytes);
}

} // namespace
} // namespace velorin
