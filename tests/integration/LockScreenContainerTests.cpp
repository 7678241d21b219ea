// The lock-screen container built by the page's presentation update.
#include "integration/LockScreenContainer.h"
#include "presentation/PresentationState.h"
#include "settings/Settings.h"
#include "tests/support/ExtensionFixture.h"

namespace velorin {
namespace {

using platform::PropertyValue;
using testing::enabledWith;

class LockScreenContainerTest : public testing::ExtensionFixture {};

TEST_F(LockScreenContainerTest, FirstUpdateBuildsAHiddenTransparentContainerUnderTheHostsUpdate) {
    auto& host = start(enabledWith());
    host.updatePagePresentation();
    platform::UIView* container = containerView();
    ASSERT_NE(container, nullptr);
    EXPECT_EQ(container->frame(), host.page().bounds());
    EXPECT_EQ(container->backgroundColor(), platform::UIColor::clearColor());
    EXPECT_EQ(container->tag(), 8966);
    EXPECT_EQ(container->alpha(), 0.0);
    EXPECT_FALSE(container->isUserInteractionEnabled());
    EXPECT_EQ(host.page().subviews().back().get(), container);
    EXPECT_FALSE(containerResetPending());
    // The host's own update runs once, last, with the argument it was given.
    EXPECT_EQ(host.log, std::vector<std::string>{"host updateForPresentation:"});
    EXPECT_EQ(host.lastPresentationArgument, &host.page());
}

TEST_F(LockScreenContainerTest, TouchesPassThroughTheContainerWhateverItsOpacity) {
    auto& host = start(enabledWith());
    host.updatePagePresentation();
    containerView()->setAlpha(1.0);
    EXPECT_EQ(host.page().hitTest({200, 700}), &host.page());
}

TEST_F(LockScreenContainerTest, ARepeatedUpdateReplacesTheContainerAndKeepsOneOnThePage) {
    auto& host = start(enabledWith());
    host.updatePagePresentation();
    platform::Ref<platform::UIView> first(containerView());
    host.page().setFrame(platform::CGRectMake(0, 0, 320, 568));
    host.updatePagePresentation();
    EXPECT_NE(containerView(), first.get());
    EXPECT_EQ(first->superview(), nullptr);
    EXPECT_EQ(host.page().subviews().size(), 1u);
    // The new container takes the page's bounds of the moment.
    EXPECT_EQ(containerView()->frame(), platform::CGRectMake(0, 0, 320, 568));
}

TEST_F(LockScreenContainerTest, ASettingsLoadDetachesTheContainerAndAShowingInIt) {
    auto& host = start(enabledWith());
    host.updatePagePresentation();
    host.changePower(true);
    ASSERT_NE(animationView(), nullptr);
    platform::Ref<platform::UIView> showingIn(containerView());

    changePreferences(enabledWith());
    host.updatePagePresentation();
    EXPECT_EQ(showingIn->superview(), nullptr);
    EXPECT_NE(containerView(), showingIn.get());
    EXPECT_EQ(containerView()->alpha(), 0.0);
}

TEST_F(LockScreenContainerTest, DisablingLeavesNoContainerSoNothingRunsOffThePage) {
    auto& host = start(enabledWith({{"loopbatteryanimation", PropertyValue::boolean(true)}}));
    host.updatePagePresentation();
    changePreferences({});
    host.updatePagePresentation();
    EXPECT_EQ(containerView(), nullptr);
    EXPECT_TRUE(host.page().subviews().empty());
    // With no container the presentation asks for lock and dim only.
    host.clearLog();
    host.changePower(true);
    EXPECT_EQ(host.count("ask isOnAC"), 0);
    // Updates while disabled and without a reload only run the host's update.
    host.clearLog();
    host.updatePagePresentation();
    EXPECT_EQ(host.log, std::vector<std::string>{"host updateForPresentation:"});
}

TEST_F(LockScreenContainerTest, DisablingReleasesAKeepAwakeHoldSoTheScreenDimsOffPower) {
    auto& host = start(enabledWith({{"loopbatteryanimation", PropertyValue::boolean(true)},
                                    {"nosleepbatteryanimation", PropertyValue::boolean(true)}}));
    host.updatePagePresentation();
    host.changePower(true);
    testing::advanceSeconds(4);
    ASSERT_TRUE(keepAwakeActive());
    changePreferences({});
    host.clearLog();
    host.updatePagePresentation();
    EXPECT_FALSE(keepAwakeActive());
    EXPECT_EQ(host.count("tell resetIdleTimer"), 1);
    // Unplugging no longer reaches the presentation, yet the host may dim again.
    host.changePower(false);
    host.setBacklightFactor(0.1f);
    EXPECT_EQ(host.lastBacklightFactor, 0.1f);
}

} // namespace
} // namespace velorin
