// The soak's invariant checks: the page's containers and animated views, objects alive off the
// page, and the ends of showings as the host's trace shows them.
#include "animation/AnimatedImageView.h"
#include "soak/ShowingEndWatch.h"
#include "soak/SoakInvariants.h"

#include <gtest/gtest.h>

namespace velorin::soak {
namespace {

using platform::UIView;

constexpr std::uint64_t seconds(double value) {
    return static_cast<std::uint64_t>(value * 1e9 + 0.5);
}

class PageCheckTest : public ::testing::Test {
protected:
    PageCheckTest() : alreadyAlive(LiveObjects::now()), page(UIView::initWithFrame(screen)) {}

    platform::Ref<UIView> addContainer() {
        platform::Ref<UIView> container = UIView::initWithFrame(screen);
        container->setTag(8966);
        page->addSubview(container.get());
        return container;
    }
    static platform::Ref<AnimatedImageView> animatedView() {
        return AnimatedImageView::initWithFrame({{10, 10}, {100, 100}});
    }
    std::optional<Invariant> broken(OffPageObjects offPage = OffPageObjects::Forbidden) {
        auto breach = checkPage(*page, alreadyAlive, offPage);
        return breach ? std::optional(breach->invariant) : std::nullopt;
    }

    static constexpr platform::CGRect screen{{0, 0}, {390, 844}};
    LiveObjects alreadyAlive;
    platform::Ref<UIView> page;
};

TEST_F(PageCheckTest, ASecondContainerOnThePageIsABreach) {
    addContainer();
    addContainer();
    EXPECT_EQ(broken(), Invariant::OneContainer);
}

TEST_F(PageCheckTest, AnimatedViewsMustBeOneAndInsideTheContainerOnThePage) {
    platform::Ref<UIView> container = addContainer();
    container->addSubview(animatedView().get());
    container->addSubview(animatedView().get());
    EXPECT_EQ(broken(), Invariant::OneAnimatedView);

    container->subviews().back()->removeFromSuperview();
    page->addSubview(container->subviews().back().get());
    EXPECT_EQ(broken(), Invariant::AnimatedViewInContainer);
}

TEST_F(PageCheckTest, ObjectsOffThePageAreABreachUnlessAShowingMayStillHoldThem) {
    platform::Ref<UIView> container = addContainer();
    platform::Ref<AnimatedImageView> playing = animatedView();
    container->addSubview(playing.get());
    // A settings change takes the container off the page while its showing runs.
    container->removeFromSuperview();
    EXPECT_EQ(broken(OffPageObjects::Allowed), std::nullopt);
    auto breach = checkPage(*page, alreadyAlive, OffPageObjects::Forbidden);
    ASSERT_TRUE(breach);
    EXPECT_EQ(breach->invariant, Invariant::NothingUnreachable);
    EXPECT_EQ(breach->detail, "views 3 alive, 1 reachable; layers 3 alive, 1 reachable");
}

TEST_F(PageCheckTest, DecodedImagesCountWhereverThePageHoldsThem) {
    platform::Ref<UIView> container = addContainer();
    auto imageView = platform::UIImageView::initWithFrame(screen);
    imageView->setImage(platform::UIImage::withCGImage(platform::CGImage::createTransparent(4, 4)));
    container->addSubview(imageView.get());
    auto frames = platform::CAKeyframeAnimation::animationWithKeyPath("contents");
    platform::Ref<platform::CGImage> shared = platform::CGImage::createTransparent(2, 2);
    frames->setValues({shared, shared, platform::CGImage::createTransparent(3, 3)});
    container->layer()->addAnimation(frames.get(), "contents");
    frames = nullptr;
    EXPECT_EQ(broken(), std::nullopt);

    platform::Ref<platform::CGImage> heldElsewhere = platform::CGImage::createTransparent(5, 5);
    auto breach = checkPage(*page, alreadyAlive, OffPageObjects::Forbidden);
    ASSERT_TRUE(breach);
    EXPECT_EQ(breach->detail, "decoded images 4 alive, 3 reachable; "
                              "decoded bytes 216 alive, 116 reachable");
}

TEST_F(PageCheckTest, NothingMayOutliveThePage) {
    platform::Ref<UIView> container = addContainer();
    page = nullptr;
    auto breach = checkNothingLeft(alreadyAlive);
    ASSERT_TRUE(breach);
    EXPECT_EQ(breach->invariant, Invariant::NothingUnreachable);
    container = nullptr;
    EXPECT_EQ(checkNothingLeft(alreadyAlive), std::nullopt);
}

// Feeds the watch trace lines as the host writes them for one moment.
class EndWatchTest : public ::testing::Test {
protected:
    EndWatchTest() { hear(0, {"view UIView#1 added page frame=0,0,390,844"}); }

    void hear(double time, std::initializer_list<std::string_view> lines) {
        for (std::string_view line : lines)
            watch.hear(seconds(time), "0.000 " + std::string(line));
    }
    void decideOnPower(double time) {
        hear(time,
             {"ask SBLockScreenManager isUILocked 1", "ask SBBacklightController screenIsDim 0",
              "ask SBUIController isOnAC 1", "view UIView#1 alpha 1"});
    }
    void endActs(double time) { hear(time, {"view UIView#1 alpha 0"}); }

    ShowingEndWatch watch;
};

TEST_F(EndWatchTest, TwoEndsAbleToActAtOnceAreABreach) {
    // Two showings a second apart whose ends both act: the later one is cut short.
    decideOnPower(0);
    decideOnPower(1);
    endActs(4);
    EXPECT_FALSE(watch.takeBreach());
    endActs(5);
    auto breach = watch.takeBreach();
    ASSERT_TRUE(breach);
    EXPECT_EQ(breach->invariant, Invariant::OneActingEnd);
    EXPECT_EQ(breach->detail, "the end queued at 1.000 s acted at 5.000 s, but it was already "
                              "pending when another end acted at 4.000 s");
}

TEST_F(EndWatchTest, AHideWithNoEndDueIsABreach) {
    decideOnPower(0);
    endActs(3);
    auto breach = watch.takeBreach();
    ASSERT_TRUE(breach);
    EXPECT_EQ(breach->detail,
              "the container was hidden at 3.000 s with no end of a showing due then");
}

TEST_F(EndWatchTest, ALoopIsOneChainOfEnds) {
    decideOnPower(0);
    for (double end = 4; end <= 12; end += 4) {
        EXPECT_TRUE(watch.isEndPending(seconds(end - 1)));
        endActs(end);
        EXPECT_TRUE(watch.takeEndActed());
        decideOnPower(end);
    }
    EXPECT_FALSE(watch.takeBreach());
    EXPECT_EQ(watch.showingsStarted(), 4u);
    EXPECT_EQ(watch.endsActed(), 3u);
    EXPECT_FALSE(watch.takeEndActed());
}

TEST_F(EndWatchTest, HidesThatAreNoEndAreNotCounted) {
    // Off power, and a stale end that does nothing, then a new container hidden before it is
    // attached: none of them is an end acting.
    decideOnPower(0);
    hear(2, {"ask SBLockScreenManager isUILocked 1", "ask SBBacklightController screenIsDim 0",
             "ask SBUIController isOnAC 0", "view UIView#1 alpha 0"});
    hear(6, {"view UIView#1 removed", "view UIView#2 alpha 0",
             "view UIView#2 added page frame=0,0,390,844"});
    EXPECT_FALSE(watch.isEndPending(seconds(6)));
    EXPECT_EQ(watch.endsActed(), 0u);
    EXPECT_FALSE(watch.takeBreach());
    // Only a container on the page is hidden by an end.
    decideOnPower(7);
    hear(11, {"view UIView#1 alpha 0"});
    EXPECT_EQ(watch.endsActed(), 0u);
}

} // namespace
} // namespace velorin::soak
