#include "animation/AnimatedImageView.h"
#include "platform/Runtime.h"
#include "tests/support/FrameImages.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <unistd.h>

namespace velorin {
namespace {

using platform::CAKeyframeAnimation;
using platform::CGRectMake;
using platform::UIImageView;

constexpr const char* sequenceFolder = "var/jb/vod/Library/Velorin/chargingSequences/test/";

class AnimatedImageViewTest : public ::testing::Test {
protected:
    // A frame file whose first pixel's red value tells which file it came from.
    void writeFrame(const std::string& name, std::uint8_t red) {
        root.writeFile(sequenceFolder + name, testing::solidPng(4, 3, red));
    }
    void writeFile(const std::string& name, std::string_view bytes) {
        root.writeFile(sequenceFolder + name, bytes);
    }

    platform::Ref<AnimatedImageView> startView(const platform::CGRect& frame = CGRectMake(0, 0, 40,
                                                                                          30),
                                               const char* folder = sequenceFolder) {
        auto view = AnimatedImageView::initWithFrame(frame);
        view->setAnimationDuration(2.5);
        view->setImagesPath(std::string(folder));
        view->startAnimating();
        return view;
    }

    static UIImageView* childImageView(const AnimatedImageView& view) {
        if (view.subviews().size() != 1)
            return nullptr;
        return dynamic_cast<UIImageView*>(view.subviews().front().get());
    }

    static CAKeyframeAnimation* frameAnimation(const AnimatedImageView& view) {
        auto* child = childImageView(view);
        return child ? child->layer()->animationForKey("animation") : nullptr;
    }

    // The first red values of the animation's frames, in playing order.
    static std::vector<int> playedReds(const AnimatedImageView& view) {
        std::vector<int> reds;
        if (auto* animation = frameAnimation(view)) {
            for (const auto& image : animation->values())
                reds.push_back(testing::firstRed(*image));
        }
        return reds;
    }

    testing::TemporaryDeviceRoot root;
};

std::string testData(const std::string& name) {
    std::ifstream file(std::string(VELORIN_TEST_DATA_DIR) + "/animation/data/" + name,
                       std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST_F(AnimatedImageViewTest, MissingFolderGivesBlankViewWithEmptyAnimationInstalled) {
    auto unset = AnimatedImageView::initWithFrame(CGRectMake(0, 0, 40, 30));
    unset->startAnimating();
    for (const auto& view : {startView(CGRectMake(0, 0, 40, 30), "var/missing/"), unset}) {
        auto* child = childImageView(*view);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->frame(), CGRectMake(0, 0, 40, 30));
        auto* animation = frameAnimation(*view);
        ASSERT_NE(animation, nullptr);
        EXPECT_EQ(animation->keyPath(), "contents");
        EXPECT_TRUE(animation->values().empty());
    }
}

TEST_F(AnimatedImageViewTest, FramesThatCannotBeReadOrDecodedAreLeftOut) {
    writeFrame("frame1.png", 10);
    writeFile("frame2.png", "not an image");
    auto truncated = testing::solidPng(4, 3, 30);
    truncated.resize(truncated.size() / 2);
    root.writeFile(std::string(sequenceFolder) + "frame3.png", truncated);
    root.makeFolder(std::string(sequenceFolder) + "frame4.png");
    writeFrame("frame5.png", 50);
    EXPECT_EQ(playedReds(*startView()), (std::vector<int>{10, 50}));
}

// A header that claims 100000 × 100000 pixels is refused before any pixel memory is taken;
// a checksum that does not match the data loses that frame only.
TEST_F(AnimatedImageViewTest, OversizedAndDamagedFramesAreLeftOutWithoutClaimingMemory) {
    writeFrame("frame1.png", 10);
    writeFile("frame2.png", testData("claims-100000-square.png"));
    writeFile("frame3.png", testData("checksum-mismatch.png"));
    writeFrame("frame4.png", 40);
    platform::resetPeakImageBytes();
    auto before = platform::imageStatistics();
    auto view = startView();
    EXPECT_EQ(playedReds(*view), (std::vector<int>{10, 40}));
    EXPECT_LE(platform::imageStatistics().peakBytes, before.liveBytes + 2 * 4 * 3 * 4);
}

TEST_F(AnimatedImageViewTest, FolderOrFrameThatCannotBeReadGivesNoFramesFromIt) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not stop reads by the superuser";
    namespace fs = std::filesystem;
    writeFrame("frame1.png", 10);
    writeFrame("frame2.png", 20);
    const fs::path folder = root.hostPath(sequenceFolder);
    fs::permissions(folder / "frame2.png", fs::perms::none);
    EXPECT_EQ(playedReds(*startView()), (std::vector<int>{10}));

    fs::permissions(folder, fs::perms::none);
    auto view = startView();
    fs::permissions(folder, fs::perms::owner_all);
    ASSERT_NE(frameAnimation(*view), nullptr);
    EXPECT_TRUE(frameAnimation(*view)->values().empty());
}

TEST_F(AnimatedImageViewTest, OnlyLowerCasePngFilesAreFrames) {
    writeFrame("FRAME1.PNG", 10);
    writeFrame("frame2.Png", 20);
    writeFile("options.json", "{}");
    auto view = startView();
    ASSERT_NE(frameAnimation(*view), nullptr);
    EXPECT_TRUE(playedReds(*view).empty());
}

// A location that is not escaped loses a frame whose name holds a space, '#', '?' or a letter
// outside ASCII, and reads "%b2" as an escape. Every listed frame must load.
TEST_F(AnimatedImageViewTest, FramesWithSpecialCharactersInTheirNamesLoad) {
    writeFrame("a b1.png", 1);
    writeFrame("a%b2.png", 2);
    writeFrame("a#b3.png", 3);
    writeFrame("a?b4.png", 4);
    writeFrame("a\xc3\xa9"
               "b5.png",
               5);
    EXPECT_EQ(playedReds(*startView()), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(AnimatedImageViewTest, EscapeInANameDoesNotOpenAnotherFile) {
    // Unescaped, the location of "%41.png" would name "A.png" and play it twice.
    writeFile("%41.png", "not an image");
    writeFrame("A.png", 65);
    EXPECT_EQ(playedReds(*startView()), (std::vector<int>{65}));
}

TEST_F(AnimatedImageViewTest, PlaysTheFramesInNumberOrderAsOneKeyframeAnimation) {
    std::vector<int> numbers(12);
    for (int index = 0; index < 12; ++index)
        numbers[index] = index + 1;
    auto written = numbers;
    std::shuffle(written.begin(), written.end(), std::mt19937(3));
    for (int number : written)
        writeFrame("frame" + std::to_string(number) + ".png", static_cast<std::uint8_t>(number));

    auto view = startView();
    EXPECT_EQ(playedReds(*view), numbers);
    auto* animation = frameAnimation(*view);
    ASSERT_NE(animation, nullptr);
    EXPECT_EQ(animation->calculationMode(), platform::kCAAnimationLinear);
    EXPECT_EQ(animation->duration(), 2.5);
    EXPECT_EQ(animation->repeatCount(), 1.0f);
    EXPECT_FALSE(animation->isRemovedOnCompletion());
    EXPECT_EQ(animation->fillMode(), platform::kCAFillModeForwards);
    auto easeInEaseOut = platform::CAMediaTimingFunction::functionWithName(
        platform::kCAMediaTimingFunctionEaseInEaseOut);
    for (int point = 0; point < 4; ++point) {
        EXPECT_EQ(animation->timingFunction().controlPoint(point),
                  easeInEaseOut.controlPoint(point));
    }
    // The view itself carries no animation and no fill.
    EXPECT_TRUE(view->layer()->animationKeys().empty());
    EXPECT_EQ(view->backgroundColor(), platform::UIColor::clearColor());
}

TEST_F(AnimatedImageViewTest, DecodedFramesAreSharedNotCopied) {
    for (int number = 1; number <= 3; ++number)
        writeFrame("frame" + std::to_string(number) + ".png", static_cast<std::uint8_t>(number));
    auto before = platform::imageStatistics();
    auto view = startView();
    auto after = platform::imageStatistics();
    EXPECT_EQ(after.liveImages - before.liveImages, 3u);
    EXPECT_EQ(after.liveBytes - before.liveBytes, 3u * 4 * 3 * 4);
    view = nullptr;
    EXPECT_EQ(platform::imageStatistics().liveImages, before.liveImages);
}

TEST_F(AnimatedImageViewTest, ChildCoversTheViewWhereverItStands) {
    writeFrame("frame1.png", 1);
    auto view = startView(CGRectMake(30, 40, 100, 50));
    auto* child = childImageView(*view);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->frame(), CGRectMake(0, 0, 100, 50));
}

TEST_F(AnimatedImageViewTest, StopAnimatingLeavesTheFrameAnimationPlaying) {
    writeFrame("frame1.png", 1);
    auto parent = platform::UIView::initWithFrame(CGRectMake(0, 0, 200, 200));
    auto view = startView();
    parent->addSubview(view.get());
    view->stopAnimating();
    EXPECT_NE(frameAnimation(*view), nullptr);
    EXPECT_EQ(playedReds(*view), (std::vector<int>{1}));
}

TEST_F(AnimatedImageViewTest, IsTheRuntimeClassAnimatedImageViewUnderUIView) {
    auto view = AnimatedImageView::initWithFrame(CGRectMake(1, 2, 3, 4));
    EXPECT_STREQ(view->className(), "AnimatedImageView");
    EXPECT_EQ(objc_getClass("AnimatedImageView"), AnimatedImageView::runtimeClass());
    EXPECT_EQ(class_getSuperclass(AnimatedImageView::runtimeClass()), platform::uiViewClass());
    EXPECT_EQ(view->frame(), CGRectMake(1, 2, 3, 4));
    EXPECT_FALSE(view->imagesPath());
    EXPECT_EQ(view->animationDuration(), 0.0);
    EXPECT_TRUE(view->subviews().empty());
}

} // namespace
} // namespace velorin
