// The signal handling every long command of velorin-sim shares: SIGINT, SIGTERM and SIGHUP
// (the terminal closed) are noted
// rather than obeyed at once, so that the command stops at its next step, removes what it had
// made (private copies in $TMPDIR, staging folders) and ends with the usual status for the
// signal, 128 plus its number (130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP). They are
// blocked from the program's start until main has put the handlers in place
// (common/Interruption.h), so that none is lost or ends the program in its first moments.
//
// A command makes its watch before it makes anything, and asks `interrupted()` between steps.
// Only one watch is alive at a time; the former handlers come back when it goes.
//
// For tests, VELORIN_TEST_SIGNAL_AT_CHECK=N makes the N-th question raise SIGINT itself just
// before it is answered (N:TERM raises SIGTERM), so that an interruption can be placed at an
// exact step without timing.
#pragma once

#include "common/Interruption.h"

#include <csignal>

namespace velorin::tools {

class InterruptionWatch {
public:
    // Called first in main: from then on SIGINT, SIGTERM and SIGHUP are noted (unblocking
    // them), so that one arriving before a command has made its watch is not lost: the
    // command's first step stops. A signal the program was started to ignore stays ignored.
    static void noteFromProgramStart();
    // Called last in main: when a signal was noted and no command watched for it (a short
    // command that makes nothing), the program ends now as that signal would have ended it.
    static void endAsUnwatchedSignalWould();
    // For a command without a watch that is about to wait for something that may not come
    // (another writer's lock): SIGINT and SIGTERM end the program again at once, as they do
    // when nothing notes them; one noted already ends it now.
    static void obeyFromNowOn();

    InterruptionWatch();
    ~InterruptionWatch();
    InterruptionWatch(const InterruptionWatch&) = delete;
    InterruptionWatch& operator=(const InterruptionWatch&) = delete;

    // Whether SIGINT or SIGTERM arrived since the watch was made; the question a command asks
    // between its steps.
    bool interrupted();
    // The same, for a command that has stopped and asks why; it counts as no step.
    bool received() const;
    // The check to hand to long operations (common/Interruption.h).
    common::InterruptionCheck check();
    // 128 plus the number of the signal that arrived.
    int exitStatus() const;
    // Reports the interruption on standard error and gives the exit status.
    int reportInterruption() const;

private:
    struct sigaction m_previousInterrupt {};
    struct sigaction m_previousTerminate {};
    struct sigaction m_previousHangUp {};
    long m_checksUntilTestSignal{0};
    int m_testSignal{0};
};

} // namespace velorin::tools
