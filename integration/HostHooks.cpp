#include "integration/HostHooks.h"

#include "host/Boundary.h"
#include "host/HostInterface.h"
#include "integration/LockScreenContainer.h"
#include "platform/MainQueue.h"
#include "presentation/PresentationController.h"
#include "presentation/PresentationState.h"
#include "settings/Settings.h"

#include <array>

namespace velorin {

namespace {

constexpr std::int64_t wakeDelayNanoseconds = 100'000'000;

IMP origSetBacklightFactorPending = nullptr;
IMP origACPowerChanged = nullptr;
IMP origStartWakeAnimationsForWaking = nullptr;
IMP origApplicationDidFinishLaunching = nullptr;
IMP origCoverSheetTransitionChargingViewToVisible = nullptr;
IMP origDashBoardTransitionChargingViewToVisible = nullptr;
IMP origAddBatteryChargingViewAndShowBattery = nullptr;

// Each replacement guards only the extension's own part: the host's own method runs whatever
// became of it.

void hookSetBacklightFactorPending(id self, SEL selector, float factor) noexcept {
    // While the screen is held awake every change of backlight is dropped, whatever it asks.
    if (keepAwakeActive())
        return;
    callIMP<void, float>(origSetBacklightFactorPending, self, selector, factor);
}

void hookACPowerChanged(id self, SEL selector) noexcept {
    // The host's own handling comes first, so that the power state is current when asked.
    callIMP<void>(origACPowerChanged, self, selector);
    atBoundary([] { showVelorin(); });
}

void hookStartWakeAnimationsForWaking(id self, SEL selector, bool waking,
                                      id animationSettings) noexcept {
    atBoundary([] {
        // With looping on, the running chain of showings already covers the wake.
        if (!settings().loop && settings().showOnWake) {
            dispatch_after(dispatch_time(DISPATCH_TIME_NOW, wakeDelayNanoseconds),
                           dispatch_get_main_queue(), [] { atBoundary([] { showVelorin(); }); });
        }
    });
    callIMP<void, bool, id>(origStartWakeAnimationsForWaking, self, selector, waking,
                            animationSettings);
}

void hookApplicationDidFinishLaunching(id self, SEL selector, id application) noexcept {
    callIMP<void, id>(origApplicationDidFinishLaunching, self, selector, application);
    atBoundary([] { showVelorin(); });
}

void hookCoverSheetTransitionChargingViewToVisible(id self, SEL selector, bool visible,
                                                   bool showBattery, bool animated) noexcept {
    // Both directions are dropped while the host's own charging view is to stay hidden.
    if (settings().hideBattery)
        return;
    callIMP<void, bool, bool, bool>(origCoverSheetTransitionChargingViewToVisible, self, selector,
                                    visible, showBattery, animated);
}

void hookDashBoardTransitionChargingViewToVisible(id self, SEL selector, bool visible,
                                                  bool showBattery, bool animated) noexcept {
    if (settings().hideBattery)
        return;
    callIMP<void, bool, bool, bool>(origDashBoardTransitionChargingViewToVisible, self, selector,
                                    visible, showBattery, animated);
}

void hookAddBatteryChargingViewAndShowBattery(id self, SEL selector, bool showBattery) noexcept {
    if (settings().hideBattery)
        return;
    callIMP<void, bool>(origAddBatteryChargingViewAndShowBattery, self, selector, showBattery);
}

struct HookRow {
    const char* className;
    const char* selector;
    IMP replacement;
    IMP* slot;
};

const std::array<HookRow, 8>& hookTable() {
    static const std::array<HookRow, 8> table{{
        {host::backlightControllerClass, host::setBacklightFactorPendingSelector,
         toIMP(hookSetBacklightFactorPending), &origSetBacklightFactorPending},
        {host::userInterfaceControllerClass, host::powerChangedSelector, toIMP(hookACPowerChanged),
         &origACPowerChanged},
        {host::screenWakeAnimationControllerClass, host::startWakeAnimationsSelector,
         toIMP(hookStartWakeAnimationsForWaking), &origStartWakeAnimationsForWaking},
        {host::springBoardClass, host::finishedLaunchingSelector,
         toIMP(hookApplicationDidFinishLaunching), &origApplicationDidFinishLaunching},
        {host::mainPageViewClass, host::updateForPresentationSelector,
         toIMP(hookUpdateForPresentation), &origUpdateForPresentation()},
        {host::coverSheetViewControllerClass, host::transitionChargingViewSelector,
         toIMP(hookCoverSheetTransitionChargingViewToVisible),
         &origCoverSheetTransitionChargingViewToVisible},
        {host::dashBoardViewControllerClass, host::transitionChargingViewSelector,
         toIMP(hookDashBoardTransitionChargingViewToVisible),
         &origDashBoardTransitionChargingViewToVisible},
        {host::lockScreenViewControllerClass, host::addBatteryChargingViewSelector,
         toIMP(hookAddBatteryChargingViewAndShowBattery),
         &origAddBatteryChargingViewAndShowBattery},
    }};
    return table;
}

} // namespace

void installHookTable() {
    for (const HookRow& row : hookTable())
        MSHookMessageEx(objc_getClass(row.className), sel_registerName(row.selector),
                        row.replacement, row.slot);
}

void resetHookSlots() {
    for (const HookRow& row : hookTable())
        *row.slot = nullptr;
}

} // namespace velorin
