// The host model without the extension: its idle countdown, how it detects interposed
// methods, the classes of each profile, its charging view, touches, preferences and teardown.
// The extension's side is played by the host boundary's own calls and by replacements
// installed here with the interposition facility.
#include "host/HostInterface.h"
#include "host/HostShell.h"
#include "platform/PreferenceStore.h"
#include "settings/Settings.h"
#include "sim/SimulatedHost.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace velorin::sim {
namespace {

constexpr std::uint64_t seconds(double value) {
    return static_cast<std::uint64_t>(value * 1e9 + 0.5);
}

// Replacements for host methods, standing in for the extension: each lets the host's own
// implementation run unless told to drop.
bool dropCalls = false;
IMP originalBacklight = nullptr;
IMP originalTransition = nullptr;

void replaceBacklight(id self, SEL selector, float factor) {
    if (!dropCalls)
        callIMP<void, float>(originalBacklight, self, selector, factor);
}

void replaceTransition(id self, SEL selector, bool visible, bool showBattery, bool animated) {
    if (!dropCalls)
        callIMP<void, bool, bool, bool>(originalTransition, self, selector, visible, showBattery,
                                        animated);
}

class SimulatedHostTest : public ::testing::Test {
protected:
    SimulatedHost& start(const HostSetup& setup = {}) {
        auto started =
            SimulatedHost::start(setup, HostEnvironment{root.path().string(), std::nullopt},
                                 [this](std::string_view line) { lines.emplace_back(line); });
        EXPECT_TRUE(started.ok()) << started.fault().text();
        host = std::move(started).value();
        return *host;
    }
    void interpose(const char* className, const char* selector, IMP replacement, IMP* slot) {
        MSHookMessageEx(objc_getClass(className), sel_registerName(selector), replacement, slot);
    }
    std::vector<std::string> takeLines() { return std::exchange(lines, {}); }

    testing::TemporaryDeviceRoot root;
    std::vector<std::string> lines;
    std::unique_ptr<SimulatedHost> host;
};

TEST_F(SimulatedHostTest, IdleCountdownDimsAfterTheAutoLockTimeAndSleepsFiveSecondsLater) {
    SimulatedHost& device = start();
    device.advanceTo(seconds(34));
    EXPECT_TRUE(device.device().screenIsDim());
    EXPECT_FALSE(device.device().screenIsAsleep());
    device.advanceTo(seconds(100));
    EXPECT_EQ(takeLines(),
              (std::vector<std::string>{"30.000 backlight 0.1", "35.000 backlight 0"}));
    EXPECT_TRUE(device.device().screenIsAsleep());
    EXPECT_EQ(device.idleCountdownPhase(), IdleCountdown::Phase::Stopped);
}

TEST_F(SimulatedHostTest, ResetCommandsAndWakesRestartTheCountdown) {
    HostSetup setup;
    setup.autolockNanoseconds = seconds(10);
    SimulatedHost& device = start(setup);
    device.advanceTo(seconds(8));
    host::resetGlobalIdleTimer();
    device.advanceTo(seconds(16));
    host::resetLockScreenIdleTimer();
    // Restarting during the five seconds before sleep cancels the sleep as well.
    device.advanceTo(seconds(28));
    host::resetGlobalIdleTimer();
    device.advanceTo(seconds(60));
    device.wake(WakeKind::NotWaking);
    device.advanceTo(seconds(70.5));
    EXPECT_EQ(takeLines(), (std::vector<std::string>{
                               "8.000 tell SBIdleTimerGlobalCoordinator resetIdleTimer",
                               "16.000 tell SBBacklightController resetLockScreenIdleTimer",
                               "26.000 backlight 0.1",
                               "28.000 tell SBIdleTimerGlobalCoordinator resetIdleTimer",
                               "38.000 backlight 0.1",
                               "43.000 backlight 0",
                               "60.000 backlight 1",
                               "70.000 backlight 0.1",
                           }));
}

TEST_F(SimulatedHostTest, ASleepingScreenIsDimAndTheCountdownNeverLightsItAgain) {
    SimulatedHost& device = start();
    device.advanceTo(seconds(2));
    device.sleep();
    EXPECT_TRUE(host::screenIsDim());
    device.advanceTo(seconds(1000));
    EXPECT_EQ(takeLines(), (std::vector<std::string>{
                               "2.000 backlight 0",
                               "2.000 ask SBBacklightController screenIsDim 1",
                           }));
}

TEST_F(SimulatedHostTest, WithoutAutoLockTheScreenStaysLit) {
    HostSetup setup;
    setup.autolockNanoseconds.reset();
    SimulatedHost& device = start(setup);
    device.advanceTo(seconds(100'000));
    device.wake(WakeKind::Waking);
    device.advanceTo(seconds(200'000));
    EXPECT_EQ(takeLines(), std::vector<std::string>{"100000.000 backlight 1"});
}

TEST_F(SimulatedHostTest, AnInterposedMethodIsTracedAsDroppedOrPassed) {
    SimulatedHost& device = start();
    // Not interposed: the host's own implementation runs and no hook line is written.
    device.dim();
    interpose(host::backlightControllerClass, host::setBacklightFactorPendingSelector,
              toIMP(replaceBacklight), &originalBacklight);
    dropCalls = true;
    device.wake(WakeKind::Waking);
    EXPECT_TRUE(device.device().screenIsDim());
    dropCalls = false;
    device.wake(WakeKind::Waking);
    EXPECT_FALSE(device.device().screenIsDim());
    EXPECT_EQ(takeLines(),
              (std::vector<std::string>{
                  "0.000 backlight 0.1",
                  "0.000 hook SBBacklightController setBacklightFactorPending: dropped",
                  "0.000 hook SBBacklightController setBacklightFactorPending: passed",
                  "0.000 backlight 1",
              }));
}

TEST_F(SimulatedHostTest, PluggingInOnTheLockedScreenShowsTheChargingViewForThreeSeconds) {
    SimulatedHost& device = start();
    device.advanceTo(seconds(1));
    device.plug();
    EXPECT_TRUE(device.isChargingViewVisible());
    device.advanceTo(seconds(5));
    EXPECT_FALSE(device.isChargingViewVisible());
    device.unlock();
    device.unplug();
    device.plug();
    device.advanceTo(seconds(9));
    EXPECT_EQ(takeLines(), (std::vector<std::string>{"1.000 chargingview visible",
                                                     "4.000 chargingview hidden"}));
}

TEST_F(SimulatedHostTest, EveryControllerIsAskedButTheViewChangesOnce) {
    HostSetup setup;
    setup.profile = HostProfile::All;
    SimulatedHost& device = start(setup);
    interpose(host::dashBoardViewControllerClass, host::transitionChargingViewSelector,
              toIMP(replaceTransition), &originalTransition);
    device.showChargingView();
    device.hideChargingView();
    EXPECT_EQ(takeLines(), (std::vector<std::string>{
                               "0.000 chargingview visible",
                               "0.000 hook SBDashBoardViewController "
                               "_transitionChargingViewToVisible:showBattery:animated: passed",
                               "0.000 chargingview hidden",
                               "0.000 hook SBDashBoardViewController "
                               "_transitionChargingViewToVisible:showBattery:animated: passed",
                           }));
}

TEST_F(SimulatedHostTest, ProfilesDecideWhichClassesTheExtensionCanFind) {
    const std::vector<const char*> modernOnly{host::idleTimerCoordinatorClass,
                                              host::coverSheetViewControllerClass};
    const std::vector<const char*> legacyOnly{host::dashBoardViewControllerClass,
                                              host::lockScreenViewControllerClass};
    for (HostProfile profile : {HostProfile::Modern, HostProfile::Legacy, HostProfile::All}) {
        HostSetup setup;
        setup.profile = profile;
        start(setup);
        for (const char* name : {host::springBoardClass, host::mainPageViewClass, host::deviceClass,
                                 host::bundleClass})
            EXPECT_NE(objc_getClass(name), nullptr) << name;
        for (const char* name : modernOnly)
            EXPECT_EQ(objc_getClass(name) != nullptr, profile != HostProfile::Legacy) << name;
        for (const char* name : legacyOnly)
            EXPECT_EQ(objc_getClass(name) != nullptr, profile != HostProfile::Modern) << name;
        host.reset();
        EXPECT_EQ(objc_getClass(host::springBoardClass), nullptr);
    }
}

TEST_F(SimulatedHostTest, ALackedClassIsGoneForTheHostAsForTheExtension) {
    HostSetup setup;
    setup.lackingClasses = {host::userInterfaceControllerClass, host::backlightControllerClass,
                            host::coverSheetViewControllerClass};
    SimulatedHost& device = start(setup);
    EXPECT_EQ(objc_getClass(host::userInterfaceControllerClass), nullptr);
    EXPECT_EQ(objc_getClass(host::backlightControllerClass), nullptr);
    EXPECT_NE(objc_getClass(host::lockScreenManagerClass), nullptr);
    // Interposing a class that cannot be found installs nothing.
    interpose(host::backlightControllerClass, host::setBacklightFactorPendingSelector,
              toIMP(replaceBacklight), &originalBacklight);
    // The host has no controller to show its charging view through, and no backlight
    // controller to dim with; the device's own state still changes.
    device.plug();
    device.dim();
    device.showChargingView();
    EXPECT_FALSE(device.isChargingViewVisible());
    EXPECT_EQ(device.device().backlightFactor, fullBacklightFactor);
    EXPECT_TRUE(device.device().onPower);
    // Questions to a lacked class never reach the host and leave no line.
    EXPECT_FALSE(host::isOnAC());
    EXPECT_FALSE(host::screenIsDim());
    EXPECT_TRUE(host::isUILocked());
    EXPECT_EQ(takeLines(), (std::vector<std::string>{
                               "0.000 ask SBLockScreenManager isUILocked 1",
                           }));
}

TEST_F(SimulatedHostTest, AHostWithoutThePageViewClassStillHasAPage) {
    HostSetup setup;
    setup.lackingClasses = {host::mainPageViewClass, host::springBoardClass};
    SimulatedHost& device = start(setup);
    ASSERT_NE(device.page(), nullptr);
    EXPECT_EQ(device.page()->frame().size.width, setup.screen.width);
    device.lock();
    EXPECT_TRUE(device.launch().ok());
    EXPECT_FALSE(device.launch().ok());
    EXPECT_TRUE(takeLines().empty());
}

TEST_F(SimulatedHostTest, IdentityQuestionsAnswerTheSetUp) {
    HostSetup setup;
    setup.systemVersion = "10.3 \"beta\"";
    setup.bundleIdentifier.reset();
    start(setup);
    EXPECT_EQ(host::systemVersion(), "10.3 \"beta\"");
    EXPECT_EQ(host::bundleIdentifier(), std::nullopt);
    EXPECT_EQ(takeLines(), (std::vector<std::string>{
                               "0.000 ask UIDevice systemVersion \"10.3 \\\"beta\\\"\"",
                               "0.000 ask NSBundle bundleIdentifier none",
                           }));
}

TEST_F(SimulatedHostTest, TouchesGoToTheTopmostViewThatTakesThem) {
    SimulatedHost& device = start();
    // An overlay that lets touches through, as the extension's container does.
    auto overlay = platform::UIView::initWithFrame(platform::CGRectMake(0, 0, 390, 844));
    overlay->setUserInteractionEnabled(false);
    device.page()->addSubview(overlay.get());
    EXPECT_EQ(device.touch({195, 422}), device.page());
    device.showChargingView();
    EXPECT_EQ(device.touch({195, 422}), device.hostChargingView());
    EXPECT_EQ(device.touch({390, 10}), nullptr);
    std::vector<std::string> written = takeLines();
    written.erase(written.begin());
    EXPECT_EQ(written, (std::vector<std::string>{
                           "0.000 touch 195,422 page",
                           "0.000 chargingview visible",
                           "0.000 touch 195,422 host-charging",
                           "0.000 touch 390,10 none",
                       }));
}

std::string fileContents(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::optional<platform::PropertyValue> stored(const char* key) {
    return platform::NSUserDefaults::standardUserDefaults()->objectForKey(key, preferenceDomain);
}

TEST_F(SimulatedHostTest, PreferenceEditsGoToAPrivateCopyThatStartsFromTheRoot) {
    using platform::PropertyValue;
    root.writePreferences(preferenceDomain,
                          {{"enablebatteryanimation", PropertyValue::boolean(true)},
                           {"hidebattery", PropertyValue::boolean(false)}});
    auto rootFile =
        root.hostPath(std::string(platform::preferencesFolder) + "/" + preferenceDomain + ".plist");
    std::string before = fileContents(rootFile);
    HostSetup setup;
    setup.preferences = {{"batteryanimation", PropertyValue::string("pulse")},
                         {"loopbatteryanimation", PropertyValue::integer(-3)}};
    SimulatedHost& device = start(setup);
    ASSERT_TRUE(device.unsetPreference("hidebattery").ok());
    ASSERT_TRUE(device.setPreference("showbatteryanimationonwake", PropertyValue::real(0.5)).ok());
    EXPECT_EQ(stored("enablebatteryanimation"), PropertyValue::boolean(true));
    EXPECT_EQ(stored("batteryanimation"), PropertyValue::string("pulse"));
    EXPECT_EQ(stored("loopbatteryanimation"), PropertyValue::integer(-3));
    EXPECT_EQ(stored("showbatteryanimationonwake"), PropertyValue::real(0.5));
    EXPECT_EQ(stored("hidebattery"), std::nullopt);
    std::filesystem::path copy = device.preferenceFilePath();
    EXPECT_TRUE(std::filesystem::exists(copy));

    host.reset();
    EXPECT_EQ(fileContents(rootFile), before);
    EXPECT_FALSE(std::filesystem::exists(copy.parent_path()));
    // The store reads the root's domain again.
    EXPECT_EQ(platform::preferenceFilePath(preferenceDomain), rootFile.string());
    EXPECT_EQ(stored("hidebattery"), PropertyValue::boolean(false));
}

TEST_F(SimulatedHostTest, AnUnreadableRootDomainGivesAnEmptyCopy) {
    root.writePreferenceFile(preferenceDomain, "not a property list");
    SimulatedHost& device = start();
    EXPECT_EQ(stored("anything"), std::nullopt);
    ASSERT_TRUE(
        device.setPreference("enablebatteryanimation", platform::PropertyValue::boolean(true))
            .ok());
    EXPECT_EQ(stored("enablebatteryanimation"), platform::PropertyValue::boolean(true));
}

TEST_F(SimulatedHostTest, OneHostAtATimeAndTheNextStartsWithUntouchedClasses) {
    start();
    auto second =
        SimulatedHost::start(HostSetup{}, HostEnvironment{root.path().string(), std::nullopt});
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(second.fault().message, "another simulated host is alive in this process");
    interpose(host::backlightControllerClass, host::setBacklightFactorPendingSelector,
              toIMP(replaceBacklight), &originalBacklight);
    dropCalls = true;
    host->advanceTo(seconds(3));
    host.reset();
    // A replacement installed in the previous host's class must not reach the next host.
    SimulatedHost& next = start();
    EXPECT_EQ(next.now(), 0u);
    next.dim();
    dropCalls = false;
    EXPECT_EQ(takeLines(), std::vector<std::string>{"0.000 backlight 0.1"});
}

TEST_F(SimulatedHostTest, LaunchingWithoutAnExtensionFinishesOnceAndAMissingLibraryStopsIt) {
    SimulatedHost& device = start();
    EXPECT_TRUE(device.launch().ok());
    EXPECT_TRUE(device.device().launched);
    auto again = device.launch();
    ASSERT_FALSE(again.ok());
    EXPECT_EQ(again.fault().text(), "the host has already launched");
    host.reset();

    auto missing = (root.path() / "libnothing.so").string();
    host =
        SimulatedHost::start(HostSetup{}, HostEnvironment{root.path().string(), missing}).value();
    auto launched = host->launch();
    ASSERT_FALSE(launched.ok());
    EXPECT_EQ(launched.fault().text(), missing + ": no such extension library");
    EXPECT_FALSE(host->device().launched);
    EXPECT_FALSE(host->isExtensionLoaded());
}

} // namespace
} // namespace velorin::sim
