#include "common/Interruption.h"

#include <csignal>

namespace velorin::common {

namespace {

sigset_t interruptionSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    return signals;
}

} // namespace

void blockInterruptionSignals() {
    sigset_t signals = interruptionSignals();
    ::sigprocmask(SIG_BLOCK, &signals, nullptr);
}

void unblockInterruptionSignals() {
    sigset_t signals = interruptionSignals();
    ::sigprocmask(SIG_UNBLOCK, &signals, nullptr);
}

} // namespace velorin::common
