// Trace lines: number and time formatting, and how views are named and reported.
#include "common/QuoteText.h"
#include "platform/MainQueue.h"
#include "platform/display/View.h"
#include "sim/Trace.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velorin::sim {
namespace {

TEST(TraceFormatTest, NumbersKeepAtMostThreeDecimalsWithoutTrailingZeros) {
    EXPECT_EQ(formatNumber(125), "125");
    EXPECT_EQ(formatNumber(630.5), "630.5");
    EXPECT_EQ(formatNumber(0.1), "0.1");
    // A 32-bit value widened to double still prints as written.
    EXPECT_EQ(formatNumber(static_cast<double>(0.1f)), "0.1");
    EXPECT_EQ(formatNumber(1.23456), "1.235");
    EXPECT_EQ(formatNumber(-2.5), "-2.5");
    EXPECT_EQ(formatNumber(-0.0), "0");
    EXPECT_EQ(formatNumber(-0.0001), "0");
    EXPECT_EQ(formatNumber(100), "100");
}

TEST(TraceFormatTest, TimesHaveExactlyThreeDecimalsRoundedToTheMillisecond) {
    EXPECT_EQ(formatTime(0), "0.000");
    EXPECT_EQ(formatTime(100'000'000), "0.100");
    EXPECT_EQ(formatTime(1'500'000'000), "1.500");
    EXPECT_EQ(formatTime(999'999'999), "1.000");
    EXPECT_EQ(formatTime(2'592'000'000'000'000), "2592000.000");
}

TEST(TraceFormatTest, RectanglesAndQuotedTexts) {
    EXPECT_EQ(formatRect(platform::CGRectMake(120, 674, 150, 150.25)), "120,674,150,150.25");
    EXPECT_EQ(formatRect(platform::CGRectMake(-0.0, 0, 1, 2)), "0,0,1,2");
    EXPECT_EQ(common::quoteText("14.4"), "\"14.4\"");
    EXPECT_EQ(common::quoteText("a \"b\" \\c"), "\"a \\\"b\\\" \\\\c\"");
}

class TraceViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::MainQueue::shared().reset();
        platform::setDisplayObserver(&trace);
    }
    void TearDown() override { platform::setDisplayObserver(nullptr); }

    std::vector<std::string> lines;
    Trace trace{[this](std::string_view line) { lines.emplace_back(line); }};
};

TEST_F(TraceViewTest, ViewsAreNumberedPerClassInOrderOfCreation) {
    // The host makes its own views before the trace listens, so they are never counted.
    platform::setDisplayObserver(nullptr);
    auto root = platform::UIView::initWithFrame(platform::CGRectMake(0, 0, 10, 10));
    trace.nameHostView(root.get(), "page");
    platform::setDisplayObserver(&trace);
    auto first = platform::UIView::initWithFrame(platform::CGRectMake(0, 0, 5, 5));
    auto image = platform::UIImageView::initWithFrame(platform::CGRectMake(1, 2, 3, 4));
    auto second = platform::UIView::initWithFrame(platform::CGRectMake(0, 0, 5, 5));
    // Attached out of creation order: the numbers still follow creation.
    root->addSubview(second.get());
    root->addSubview(first.get());
    first->addSubview(image.get());
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "0.000 view UIView#2 added page frame=0,0,5,5",
                         "0.000 view UIView#1 added page frame=0,0,5,5",
                         "0.000 view UIImageView#1 added UIView#1 frame=1,2,3,4",
                     }));
}

TEST_F(TraceViewTest, RemovalIsReportedOnlyForAViewThatHadAParent) {
    auto root = platform::UIView::initWithFrame(platform::CGRectMake(0, 0, 10, 10));
    auto child = platform::UIView::initWithFrame(platform::CGRectMake(0, 0, 5, 5));
    child->removeFromSuperview();
    root->addSubview(child.get());
    lines.clear();
    child->removeFromSuperview();
    child->removeFromSuperview();
    EXPECT_EQ(lines, std::vector<std::string>{"0.000 view UIView#2 removed"});
}

TEST_F(TraceViewTest, AViewMadeWhereAGoneOneLivedGetsANewNumber) {
    const platform::UIView* firstAddress = nullptr;
    {
        auto first = platform::UIView::initWithFrame(platform::CGRectMake(0, 0, 1, 1));
        firstAddress = first.get();
        EXPECT_EQ(trace.viewName(first.get()), "UIView#1");
    }
    // Allocators often hand the same address out again; the name must not come with it.
    for (int attempt = 0; attempt < 4; ++attempt) {
        auto next = platform::UIView::initWithFrame(platform::CGRectMake(0, 0, 1, 1));
        EXPECT_EQ(trace.viewName(next.get()), "UIView#" + std::to_string(attempt + 2));
        if (next.get() == firstAddress)
            break;
    }
}

TEST_F(TraceViewTest, AlphaAndAnimationLinesNameTheViewAndTimesFollowTheQueue) {
    auto view = platform::UIImageView::initWithFrame(platform::CGRectMake(0, 0, 1, 1));
    platform::MainQueue::shared().runUntil(1'250'000'000);
    view->setAlpha(1);
    auto animation = platform::CAKeyframeAnimation::animationWithKeyPath("contents");
    animation->setDuration(2.5);
    animation->setValues({platform::CGImage::create(1, 1, {0, 0, 0, 0}),
                          platform::CGImage::create(1, 1, {0, 0, 0, 0})});
    view->layer()->addAnimation(animation.get(), "animation");
    trace.touch({1.5, -2}, nullptr);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "1.250 view UIImageView#1 alpha 1",
                         "1.250 animation UIImageView#1 frames=2 duration=2.5",
                         "1.250 touch 1.5,-2 none",
                     }));
}

} // namespace
} // namespace velorin::sim
