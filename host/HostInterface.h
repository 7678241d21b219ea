// What the extension requires of the host shell: the host classes it asks and commands, the
// host methods it interposes, and the exact types of those methods.
//
// Host classes are always looked up by name at the moment of use and never cached, so a host
// version that lacks a class answers every question with no or zero and ignores every command.
// The simulated host implements these same signatures, which is why they live in one place.
#pragma once

#include "platform/Runtime.h"

namespace velorin::host {

// Host singletons and identity.
inline constexpr const char* lockScreenManagerClass = "SBLockScreenManager";
inline constexpr const char* backlightControllerClass = "SBBacklightController";
inline constexpr const char* userInterfaceControllerClass = "SBUIController";
inline constexpr const char* idleTimerCoordinatorClass = "SBIdleTimerGlobalCoordinator";
inline constexpr const char* deviceClass = "UIDevice";
inline constexpr const char* bundleClass = "NSBundle";
inline constexpr const char* hostShellBundleIdentifier = "com.apple.springboard";

// Classes whose methods are interposed.
inline constexpr const char* springBoardClass = "SpringBoard";
inline constexpr const char* screenWakeAnimationControllerClass = "SBScreenWakeAnimationController";
inline constexpr const char* mainPageViewClass = "CSMainPageView";
inline constexpr const char* coverSheetViewControllerClass = "CSCoverSheetViewController";
inline constexpr const char* dashBoardViewControllerClass = "SBDashBoardViewController";
inline constexpr const char* lockScreenViewControllerClass = "SBLockScreenViewController";

// Selectors of the interposed methods.
inline constexpr const char* setBacklightFactorPendingSelector = "setBacklightFactorPending:";
inline constexpr const char* powerChangedSelector = "ACPowerChanged";
inline constexpr const char* startWakeAnimationsSelector =
    "_startWakeAnimationsForWaking:animationSettings:";
inline constexpr const char* finishedLaunchingSelector = "applicationDidFinishLaunching:";
inline constexpr const char* updateForPresentationSelector = "updateForPresentation:";
inline constexpr const char* transitionChargingViewSelector =
    "_transitionChargingViewToVisible:showBattery:animated:";
inline constexpr const char* addBatteryChargingViewSelector =
    "_addBatteryChargingViewAndShowBattery:";

// Selectors of the questions and commands.
inline constexpr const char* sharedInstanceSelector = "sharedInstance";
inline constexpr const char* isUILockedSelector = "isUILocked";
inline constexpr const char* screenIsDimSelector = "screenIsDim";
inline constexpr const char* isOnACSelector = "isOnAC";
inline constexpr const char* resetLockScreenIdleTimerSelector = "resetLockScreenIdleTimer";
inline constexpr const char* resetIdleTimerSelector = "resetIdleTimer";
inline constexpr const char* currentDeviceSelector = "currentDevice";
inline constexpr const char* systemVersionSelector = "systemVersion";
inline constexpr const char* mainBundleSelector = "mainBundle";
inline constexpr const char* bundleIdentifierSelector = "bundleIdentifier";

// The host's method types, receiver and selector first. Strings are handed out as C strings
// owned by the host; none stands for no string.
using SingletonMethod = id (*)(id cls, SEL selector);
using QuestionMethod = bool (*)(id self, SEL selector);
using CommandMethod = void (*)(id self, SEL selector);
using StringMethod = const char* (*)(id self, SEL selector);
using SetBacklightFactorPendingMethod = void (*)(id self, SEL selector, float factor);
using PowerChangedMethod = void (*)(id self, SEL selector);
using StartWakeAnimationsMethod = void (*)(id self, SEL selector, bool waking, id settings);
using FinishedLaunchingMethod = void (*)(id self, SEL selector, id application);
using UpdateForPresentationMethod = void (*)(id self, SEL selector, id presentation);
using TransitionChargingViewMethod = void (*)(id self, SEL selector, bool visible, bool showBattery,
                                              bool animated);
using AddBatteryChargingViewMethod = void (*)(id self, SEL selector, bool showBattery);

} // namespace velorin::host
