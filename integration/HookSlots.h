// The slots of the hook table: for each interposed host method, the host's own implementation
// that the extension's replacement displaced.
//
// The interposition facility fills a slot while the table is installed at load, and nothing
// writes it afterwards. A row that installed nothing (the running host lacks its class or
// method) leaves its slot empty, and its replacement is then never reached.
#pragma once

#include "platform/Runtime.h"

namespace velorin {

struct HookSlots {
    IMP origSetBacklightFactorPending{nullptr};
    IMP origACPowerChanged{nullptr};
    IMP origStartWakeAnimationsForWaking{nullptr};
    IMP origApplicationDidFinishLaunching{nullptr};
    IMP origUpdateForPresentation{nullptr};
    IMP origCoverSheetTransitionChargingViewToVisible{nullptr};
    IMP origDashBoardTransitionChargingViewToVisible{nullptr};
    IMP origAddBatteryChargingViewAndShowBattery{nullptr};
};

// The one set of slots of the process.
HookSlots& hookSlots();

} // namespace velorin
