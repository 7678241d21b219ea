// Load-time set-up and the interposed host methods.
#include "host/HostInterface.h"
#include "integration/ExtensionInit.h"
#include "integration/LockScreenContainer.h"
#include "platform/NotificationCenter.h"
#include "settings/Settings.h"
#include "tests/support/ExtensionFixture.h"

namespace velorin {
namespace {

using platform::PropertyValue;
using testing::advanceSeconds;
using testing::enabledWith;

class ExtensionInitTest : public testing::ExtensionFixture {
protected:
    int observers() { return platform::notificationObserverCount(preferencesChangedNotification); }
};

TEST_F(ExtensionInitTest, ProcessesOtherThanTheHostShellAreLeftAlone) {
    auto host = std::make_unique<testing::FakeHost>();
    host->bundleIdentifier = "com.example.mail";
    root.writePreferences(preferenceDomain,
                          enabledWith({{"batteryanimation", PropertyValue::string("pulse")}}));
    initializeExtension();
    EXPECT_EQ(settings().sequenceName, "pulse");
    EXPECT_EQ(observers(), 0);
    host->changePower(true);
    EXPECT_EQ(host->count("ask isUILocked"), 0);

    host.reset();
    host = std::make_unique<testing::FakeHost>();
    host->bundleIdentifier.reset();
    initializeExtension();
    EXPECT_EQ(observers(), 0);
    host->finishLaunching();
    EXPECT_EQ(host->count("ask isUILocked"), 0);
}

TEST_F(ExtensionInitTest, DisabledAtLoadSubscribesButInterposesNothing) {
    auto& host = start({});
    EXPECT_EQ(observers(), 1);
    host.changePower(true);
    host.updatePagePresentation();
    EXPECT_EQ(host.count("ask isUILocked"), 0);
    EXPECT_EQ(host.page().subviews().size(), 0u);

    // Turning it on later changes the settings but not this process.
    changePreferences(enabledWith());
    EXPECT_TRUE(settings().enabled);
    host.changePower(false);
    EXPECT_EQ(host.count("ask isUILocked"), 0);
}

TEST_F(ExtensionInitTest, MissingClassesInstallNothingAndTheOtherRowsStillWork) {
    auto& host = start(enabledWith(),
                       {host::dashBoardViewControllerClass, host::lockScreenViewControllerClass,
                        host::screenWakeAnimationControllerClass});
    host.changePower(true);
    EXPECT_EQ(host.log.front(), "host ACPowerChanged");
    EXPECT_EQ(host.count("ask isUILocked"), 1);
    host.transitionChargingView(host::coverSheetViewControllerClass, true);
    EXPECT_EQ(host.count("host transition CSCoverSheetViewController"), 0);
    // Sending to a class the host lacks reaches nothing, hooked or not.
    host.addBatteryChargingView(true);
    EXPECT_EQ(host.count("host addBatteryChargingView"), 0);
}

TEST_F(ExtensionInitTest, WhatTheHostsOwnMethodsThrowReachesTheHostThroughEveryReplacement) {
    auto& host = start(enabledWith({{"hidebattery", PropertyValue::boolean(false)},
                                    {"showbatteryanimationonwake", PropertyValue::boolean(true)}}));
    host.ownMethodsThrow = true;
    auto thrownBy = [](auto&& event) -> std::string {
        try {
            event();
        } catch (const testing::HostMethodFault& fault) {
            return fault.method;
        }
        return "nothing";
    };
    EXPECT_EQ(thrownBy([&] { host.finishLaunching(); }), "host finishedLaunching");
    EXPECT_EQ(thrownBy([&] { host.changePower(true); }), "host ACPowerChanged");
    EXPECT_EQ(thrownBy([&] { host.setBacklightFactor(0.5f); }), "host setBacklightFactorPending:");
    EXPECT_EQ(thrownBy([&] { host.addBatteryChargingView(true); }), "host addBatteryChargingView");
    for (const char* controller :
         {host::coverSheetViewControllerClass, host::dashBoardViewControllerClass}) {
        EXPECT_EQ(thrownBy([&] { host.transitionChargingView(controller, true); }),
                  std::string("host transition ") + controller);
    }
    // The extension's own part of these two comes before the host's, and stays done.
    EXPECT_EQ(thrownBy([&] { host.updatePagePresentation(); }), "host updateForPresentation:");
    EXPECT_EQ(host.page().subviews().size(), 1u);
    EXPECT_EQ(thrownBy([&] { host.startWakeAnimations(true); }), "host startWake");
    host.ownMethodsThrow = false;
    host.clearLog();
    advanceSeconds(0.1);
    EXPECT_EQ(host.count("ask isUILocked"), 1);
}

TEST_F(ExtensionInitTest, PowerChangesAndLaunchRunTheHostFirstThenDecide) {
    auto& host = start(enabledWith());
    host.finishLaunching();
    ASSERT_GE(host.log.size(), 3u);
    EXPECT_EQ(host.log[0], "host finishedLaunching");
    EXPECT_EQ(host.log[1], "ask isUILocked");
    EXPECT_EQ(host.log[2], "ask screenIsDim");
    host.clearLog();
    host.changePower(false);
    EXPECT_EQ(host.log.front(), "host ACPowerChanged");
    EXPECT_EQ(host.count("ask isUILocked"), 1);
}

TEST_F(ExtensionInitTest, WakeShowsOnlyWhenAskedAndNotLooping) {
    struct Case {
        bool loop, showOnWake;
        int expectedDecisions;
    };
    for (Case wake : {Case{false, true, 1}, Case{true, true, 0}, Case{false, false, 0}}) {
        auto& host = start(
            enabledWith({{"loopbatteryanimation", PropertyValue::boolean(wake.loop)},
                         {"showbatteryanimationonwake", PropertyValue::boolean(wake.showOnWake)}}));
        host.startWakeAnimations(false);
        // The host's own wake runs at once; the decision comes a tenth of a second later.
        EXPECT_EQ(host.log, std::vector<std::string>{"host startWake"});
        advanceSeconds(0.099);
        EXPECT_EQ(host.count("ask isUILocked"), 0);
        advanceSeconds(0.001);
        EXPECT_EQ(host.count("ask isUILocked"), wake.expectedDecisions)
            << "loop " << wake.loop << " showOnWake " << wake.showOnWake;
    }
}

TEST_F(ExtensionInitTest, HostChargingViewIsHeldBackOnlyWhileHideBatteryIsOn) {
    auto& host = start(enabledWith());
    for (const char* controller :
         {host::coverSheetViewControllerClass, host::dashBoardViewControllerClass}) {
        host.transitionChargingView(controller, true);
        host.transitionChargingView(controller, false);
    }
    host.addBatteryChargingView(true);
    EXPECT_TRUE(host.log.empty());

    changePreferences(enabledWith({{"hidebattery", PropertyValue::boolean(false)}}));
    host.transitionChargingView(host::dashBoardViewControllerClass, true);
    EXPECT_EQ(host.count("host transition SBDashBoardViewController"), 1);
    EXPECT_EQ(host.lastTransitionArguments, (std::vector<bool>{true, true, false}));
    host.addBatteryChargingView(false);
    EXPECT_EQ(host.lastTransitionArguments, std::vector<bool>{false});
}

TEST_F(ExtensionInitTest, EveryLoadAsksForANewContainerEvenWhenNothingChanged) {
    auto& host = start(enabledWith());
    EXPECT_TRUE(containerResetPending());
    host.updatePagePresentation();
    EXPECT_FALSE(containerResetPending());
    loadPreferences();
    EXPECT_TRUE(containerResetPending());
}

TEST_F(ExtensionInitTest, NotificationsReloadTheSettingsOnTheMainQueueCoalesced) {
    auto& host = start(enabledWith());
    host.updatePagePresentation();
    root.writePreferences(preferenceDomain,
                          enabledWith({{"batteryanimation", PropertyValue::string("pulse")}}));
    for (int post = 0; post < 3; ++post)
        CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(),
                                             preferencesChangedNotification, nullptr, nullptr,
                                             true);
    // Nothing happens inside the poster.
    EXPECT_EQ(settings().sequenceName, "particlespin");
    advanceSeconds(0);
    EXPECT_EQ(settings().sequenceName, "pulse");
    EXPECT_TRUE(containerResetPending());
}

} // namespace
} // namespace velorin
