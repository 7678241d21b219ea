// How long operations learn that the user interrupted them, and the one fault they give then.
//
// Copying a root, importing, installing, playing a scenario or a soak and rendering a preview
// ask, between their steps, whether to stop. The tools answer from their signal handling (see
// tools/common/InterruptionWatch.h); an operation told to stop returns the interruption fault,
// and everything it had made goes with the objects that own it, so nothing is left behind.
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

// The signals that interrupt a command: SIGINT, SIGTERM and SIGHUP. A program that handles
// them blocks them from its very start, before any library has set itself up, so that one
// arriving in the first milliseconds waits rather than ending the program by default; once its
// handlers are in place it unblocks them, and one that arrived meanwhile reaches the handler.
void blockInterruptionSignals();
void unblockInterruptionSignals();

// The interruption fault when the check says to stop, success otherwise; asked between steps
// as TRY(stopIfInterrupted(interrupted)).
inline Result<void> stopIfInterrupted(const InterruptionCheck& check) {
    if (isInterrupted(check))
        return interruptionFault();
    return {};
}

} // namespace velorin::common
