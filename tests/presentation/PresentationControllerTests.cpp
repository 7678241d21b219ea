// Showings: their start, their end four seconds later, looping, keep-awake and the idle timer.
#include "platform/MainQueue.h"
#include "presentation/PresentationController.h"
#include "presentation/PresentationState.h"
#include "settings/Settings.h"
#include "tests/support/ExtensionFixture.h"

namespace velorin {
namespace {

using platform::PropertyValue;
using testing::advanceSeconds;
using testing::enabledWith;
using testing::FakeHost;

class PresentationTest : public testing::ExtensionFixture {
protected:
    FakeHost& startWithPage(testing::PreferenceEntries preferences = {},
                            std::set<std::string> lacked = {}) {
        auto& host = start(enabledWith(std::move(preferences)), std::move(lacked));
        host.updatePagePresentation();
        host.clearLog();
        return host;
    }
    bool showing() { return containerView()->alpha() == 1.0; }
    static testing::PreferenceEntries loopingAwake() {
        return {{"loopbatteryanimation", PropertyValue::boolean(true)},
                {"nosleepbatteryanimation", PropertyValue::boolean(true)}};
    }
};

TEST_F(PresentationTest, WithoutAContainerOnlyLockAndDimAreAsked) {
    auto& host = start(enabledWith());
    host.changePower(true);
    EXPECT_EQ(host.log, (std::vector<std::string>{"host ACPowerChanged", "ask isUILocked",
                                                  "ask screenIsDim"}));
    EXPECT_EQ(platform::MainQueue::shared().pendingCount(), 0u);
}

TEST_F(PresentationTest, MissingHostClassesAnswerNoAndNothingStops) {
    auto& host = startWithPage({}, {"SBUIController", "SBLockScreenManager"});
    containerView()->setAlpha(1.0);
    showVelorin();
    // Without the power class every decision takes the off-power path.
    EXPECT_FALSE(showing());
    EXPECT_EQ(host.count("tell resetIdleTimer"), 1);
}

TEST_F(PresentationTest, AShowingOnPowerPlaysForFourSecondsThenHides) {
    auto& host = startWithPage();
    host.changePower(true);
    EXPECT_EQ(host.log, (std::vector<std::string>{"host ACPowerChanged", "ask isUILocked",
                                                  "ask screenIsDim", "ask isOnAC"}));
    EXPECT_TRUE(showing());
    ASSERT_NE(animationView(), nullptr);
    EXPECT_EQ(animationView()->superview(), containerView());
    advanceSeconds(3.999);
    EXPECT_TRUE(showing());
    advanceSeconds(0.001);
    EXPECT_FALSE(showing());
    EXPECT_EQ(animationView(), nullptr);
    EXPECT_TRUE(containerView()->subviews().empty());
    // Without looping, the end touches neither the idle timer nor the backlight hold.
    EXPECT_EQ(host.count("tell resetIdleTimer"), 0);
}

TEST_F(PresentationTest, UnlockedOrDimShowsTheContainerButStartsNoView) {
    auto& host = startWithPage();
    host.locked = false;
    host.changePower(true);
    EXPECT_TRUE(showing());
    EXPECT_EQ(animationView(), nullptr);
    host.locked = true;
    host.dim = true;
    showVelorin();
    EXPECT_EQ(animationView(), nullptr);
    advanceSeconds(4);
    EXPECT_FALSE(showing());
}

TEST_F(PresentationTest, OffPowerClearsEverythingAndRestartsTheIdleCountdown) {
    auto& host = startWithPage();
    host.changePower(false);
    EXPECT_FALSE(showing());
    EXPECT_EQ(host.count("tell resetIdleTimer"), 1);
}

TEST_F(PresentationTest, ALaterShowingIsNotCutShortByAnEarlierOnesEnd) {
    auto& host = startWithPage();
    host.changePower(true);
    advanceSeconds(1);
    showVelorin();
    AnimatedImageView* second = animationView();
    advanceSeconds(3);
    // The first showing's end is stale: the second plays its full four seconds.
    EXPECT_TRUE(showing());
    EXPECT_EQ(animationView(), second);
    advanceSeconds(1);
    EXPECT_FALSE(showing());
    EXPECT_EQ(animationView(), nullptr);
}

TEST_F(PresentationTest, LoopingRepeatsAsOneChainWhateverStartsItAgain) {
    auto& host = startWithPage({{"loopbatteryanimation", PropertyValue::boolean(true)}});
    host.changePower(true);
    advanceSeconds(1);
    host.startWakeAnimations(true);
    showVelorin();
    host.clearLog();
    advanceSeconds(39);
    // One chain, from the newest showing at 1 s: a decision at 5 s, 9 s, ... 37 s, not two
    // interleaved chains.
    EXPECT_EQ(host.count("ask isOnAC"), 9);
    EXPECT_TRUE(showing());
    host.changePower(false);
    EXPECT_FALSE(showing());
    host.clearLog();
    advanceSeconds(20);
    EXPECT_EQ(host.count("ask isOnAC"), 0);
}

TEST_F(PresentationTest, KeepAwakeHoldsTheBacklightOnlyOnPowerAfterALockedShowing) {
    auto& host = startWithPage(loopingAwake());
    host.changePower(true);
    host.setBacklightFactor(0.5f);
    EXPECT_EQ(host.count("host setBacklightFactorPending:"), 1);
    // Unlocking mid-showing does not matter: the showing began locked.
    host.locked = false;
    advanceSeconds(4);
    EXPECT_TRUE(keepAwakeActive());
    host.setBacklightFactor(0.1f);
    EXPECT_EQ(host.count("host setBacklightFactorPending:"), 1);

    // The charger leaves while an end is pending: the hold is released and stays released.
    advanceSeconds(2);
    host.changePower(false);
    EXPECT_FALSE(keepAwakeActive());
    advanceSeconds(10);
    EXPECT_FALSE(keepAwakeActive());
    host.setBacklightFactor(0.25f);
    EXPECT_EQ(host.lastBacklightFactor, 0.25f);
}

TEST_F(PresentationTest, ALoopingRestartThatFindsTheChargerGoneTakesNoHold) {
    auto& host = startWithPage(loopingAwake());
    host.changePower(true);
    // The charger leaves without the host reporting it, so the end's restart is the first
    // decision to find it gone.
    host.onExternalPower = false;
    advanceSeconds(4);
    EXPECT_FALSE(showing());
    EXPECT_FALSE(keepAwakeActive());
    host.setBacklightFactor(0.1f);
    EXPECT_EQ(host.lastBacklightFactor, 0.1f);
}

TEST_F(PresentationTest, AShowingBegunUnlockedNeverTakesTheHold) {
    auto& host = startWithPage(loopingAwake());
    host.locked = false;
    host.changePower(true);
    host.locked = true;
    advanceSeconds(4);
    EXPECT_FALSE(keepAwakeActive());
    advanceSeconds(4);
    EXPECT_TRUE(keepAwakeActive());
}

TEST_F(PresentationTest, SwitchingLoopingOffKeepsAHoldAlreadyTaken) {
    auto& host = startWithPage(loopingAwake());
    host.changePower(true);
    advanceSeconds(4);
    ASSERT_TRUE(keepAwakeActive());
    changePreferences(enabledWith());
    advanceSeconds(8);
    EXPECT_TRUE(keepAwakeActive());
    host.changePower(false);
    EXPECT_FALSE(keepAwakeActive());
}

TEST_F(PresentationTest, TheIdleTimerInterfaceFollowsTheSystemVersion) {
    struct Case {
        std::optional<std::string> version;
        const char* expected;
    };
    auto& host = startWithPage();
    for (const Case& item :
         {Case{"10.3.3", "tell resetLockScreenIdleTimer"}, Case{"11.0", "tell resetIdleTimer"},
          Case{"", "tell resetLockScreenIdleTimer"},
          Case{std::nullopt, "tell resetLockScreenIdleTimer"},
          Case{"beta", "tell resetLockScreenIdleTimer"}}) {
        host.systemVersion = item.version;
        host.clearLog();
        resetIdleTimer();
        EXPECT_EQ(host.log, std::vector<std::string>{item.expected})
            << item.version.value_or("(none)");
    }
}

TEST_F(PresentationTest, ClearingTwiceIsHarmless) {
    auto& host = startWithPage();
    host.changePower(true);
    clearAnimationView();
    clearAnimationView();
    EXPECT_EQ(animationView(), nullptr);
    EXPECT_TRUE(containerView()->subviews().empty());
}

} // namespace
} // namespace velorin
