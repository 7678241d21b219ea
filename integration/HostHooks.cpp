#include "integration/HostHooks.h"

#include "host/Boundary.h"
#include "host/HostInterface.h"
#include "integration/HookSlots.h"
#include "integration/LockScreenContainer.h"
#include "platform/MainQueue.h"
#include "presentation/PresentationController.h"
#include "presentation/PresentationState.h"
#include "settings/Settings.h"

#include <array>

namespace velorin {

namespace {

constexpr std::int64_t wakeDelayNanoseconds = 100'000'000;

// Each replacement guards only the extension's own part. The host's own method runs whatever
// became of it, and what the host's method throws goes back to the host as it would without
// the extension: the replacements are not barriers to the host's own exceptions.

void hookSetBacklightFactorPending(id self, SEL selector, float factor) {
    // While the screen is held awake every change of backlight is dropped, whatever it asks.
    if (keepAwakeActive())
        return;
    callIMP<void, float>(hookSlots().origSetBacklightFactorPending, self, selector, factor);
}

void hookACPowerChanged(id self, SEL selector) {
    // The host's own handling comes first, so that the power state is current when asked.
    callIMP<void>(hookSlots().origACPowerChanged, self, selector);
    atBoundary([] { showVelorin(); });
}

void hookStartWakeAnimationsForWaking(id self, SEL selector, bool waking, id animationSettings) {
    atBoundary([] {
        // With looping on, the running chain of showings already covers the wake.
        if (!settings().loop && settings().showOnWake) {
            dispatch_after(dispatch_time(DISPATCH_TIME_NOW, wakeDelayNanoseconds),
                           dispatch_get_main_queue(), [] { atBoundary([] { showVelorin(); }); });
        }
    });
    callIMP<void, bool, id>(hookSlots().origStartWakeAnimationsForWaking, self, selector, waking,
                            animationSettings);
}

void hookApplicationDidFinishLaunching(id self, SEL selector, id application) {
    callIMP<void, id>(hookSlots().origApplicationDidFinishLaunching, self, selector, application);
    atBoundary([] { showVelorin(); });
}

void hookCoverSheetTransitionChargingViewToVisible(id self, SEL selector, bool visible,
                                                   bool showBattery, bool animated) {
    // Both directions are dropped while the host's own charging view is to stay hidden.
    if (settings().hideBattery)
        return;
    callIMP<void, bool, bool, bool>(hookSlots().origCoverSheetTransitionChargingViewToVisible, self,
                                    selector, visible, showBattery, animated);
}

void hookDashBoardTransitionChargingViewToVisible(id self, SEL selector, bool visible,
                                                  bool showBattery, bool animated) {
    if (settings().hideBattery)
        return;
    callIMP<void, bool, bool, bool>(hookSlots().origDashBoardTransitionChargingViewToVisible, self,
                                    selector, visible, showBattery, animated);
}

void hookAddBatteryChargingViewAndShowBattery(id self, SEL selector, bool showBattery) {
    if (settings().hideBattery)
        return;
    callIMP<void, bool>(hookSlots().origAddBatteryChargingViewAndShowBattery, self, selector,
                        showBattery);
}

struct HookRow {
    const char* className;
    const char* selector;
    IMP replacement;
    IMP HookSlots::*slot;
};

const std::array<HookRow, 8>& hookTable() {
    static const std::array<HookRow, 8> table{{
        {host::backlightControllerClass, host::setBacklightFactorPendingSelector,
         toIMP(hookSetBacklightFactorPending), &HookSlots::origSetBacklightFactorPending},
        {host::userInterfaceControllerClass, host::powerChangedSelector, toIMP(hookACPowerChanged),
         &HookSlots::origACPowerChanged},
        {host::screenWakeAnimationControllerClass, host::startWakeAnimationsSelector,
         toIMP(hookStartWakeAnimationsForWaking), &HookSlots::origStartWakeAnimationsForWaking},
        {host::springBoardClass, host::finishedLaunchingSelector,
         toIMP(hookApplicationDidFinishLaunching), &HookSlots::origApplicationDidFinishLaunching},
        {host::mainPageViewClass, host::updateForPresentationSelector,
         toIMP(hookUpdateForPresentation), &HookSlots::origUpdateForPresentation},
        {host::coverSheetViewControllerClass, host::transitionChargingViewSelector,
         toIMP(hookCoverSheetTransitionChargingViewToVisible),
         &HookSlots::origCoverSheetTransitionChargingViewToVisible},
        {host::dashBoardViewControllerClass, host::transitionChargingViewSelector,
         toIMP(hookDashBoardTransitionChargingViewToVisible),
         &HookSlots::origDashBoardTransitionChargingViewToVisible},
        {host::lockScreenViewControllerClass, host::addBatteryChargingViewSelector,
         toIMP(hookAddBatteryChargingViewAndShowBattery),
         &HookSlots::origAddBatteryChargingViewAndShowBattery},
    }};
    return table;
}

} // namespace

HookSlots& hookSlots() {
    static HookSlots slots;
    return slots;
}

void installHookTable() {
    for (const HookRow& row : hookTable())
        MSHookMessageEx(objc_getClass(row.className), sel_registerName(row.selector),
                        row.replacement, &(hookSlots().*row.slot));
}

void resetHookSlots() {
    hookSlots() = HookSlots{};
}

} // namespace velorin
