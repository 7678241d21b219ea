// How the simulator's long operations learn that the user interrupted them.
//
// Copying a root, playing a scenario or a soak and rendering a preview ask, between their
// steps, whether to stop. The tools answer from their signal handling (see
// tools/common/InterruptionWatch.h); an operation told to stop returns the fault below, and
// everything it had made goes with the objects that own it, so nothing is left behind.
#pragma once

#include "common/Result.h"

#include <functional>

namespace velorin::common {

// True when the operation should stop now. An empty check never stops anything.
using InterruptionCheck = std::function<bool()>;

inline bool isInterrupted(const InterruptionCheck& check) {
    return check && check();
}

inline Fault interruptionFault() {
    return Fault("interrupted; nothing was kept");
}

} // namespace velorin::common
