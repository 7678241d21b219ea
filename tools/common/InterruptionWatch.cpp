#include "tools/common/InterruptionWatch.h"

#include "tools/common/FaultReport.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace velorin::tools {

namespace {

volatile std::sig_atomic_t receivedSignal = 0;
// Whether the program notes signals from its start, and whether a command watched for them.
bool notingFromStart = false;
bool watched = false;

extern "C" void noteSignal(int signal) {
    receivedSignal = signal;
}

struct sigaction noting() {
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    // Calls that were waiting go on: the command stops at its next step, not in the middle of
    // a read or write that it would then have to tell from a failure.
    action.sa_flags = SA_RESTART;
    return action;
}

} // namespace

void InterruptionWatch::noteFromProgramStart() {
    struct sigaction action = noting();
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal the program was started to ignore (nohup, a background job) stays ignored.
        struct sigaction inherited {};
        if (::sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &action, nullptr);
    }
    notingFromStart = true;
    // Blocked since the program started; one that arrived meanwhile is noted now.
    common::unblockInterruptionSignals();
}

void InterruptionWatch::endAsUnwatchedSignalWould() {
    int number = receivedSignal;
    if (!notingFromStart || watched || number == 0)
        return;
    std::fflush(nullptr);
    ::signal(number, SIG_DFL);
    std::raise(number);
}

void InterruptionWatch::obeyFromNowOn() {
    endAsUnwatchedSignalWould();
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == noteSignal)
            ::signal(signal, SIG_DFL);
    }
}

InterruptionWatch::InterruptionWatch() {
    // A signal noted since the program started counts, so that the first step stops.
    if (!notingFromStart)
        receivedSignal = 0;
    watched = true;
    struct sigaction action = noting();
    ::sigaction(SIGINT, &action, &m_previousInterrupt);
    ::sigaction(SIGTERM, &action, &m_previousTerminate);
    ::sigaction(SIGHUP, &action, &m_previousHangUp);
    if (const char* at = std::getenv("VELORIN_TEST_SIGNAL_AT_CHECK")) {
        char* end = nullptr;
        m_checksUntilTestSignal = std::strtol(at, &end, 10);
        m_testSignal = std::string_view(end) == ":TERM" ? SIGTERM : SIGINT;
    }
}

InterruptionWatch::~InterruptionWatch() {
    ::sigaction(SIGINT, &m_previousInterrupt, nullptr);
    ::sigaction(SIGTERM, &m_previousTerminate, nullptr);
    ::sigaction(SIGHUP, &m_previousHangUp, nullptr);
}

bool InterruptionWatch::interrupted() {
    if (m_checksUntilTestSignal > 0 && --m_checksUntilTestSignal == 0)
        std::raise(m_testSignal);
    return receivedSignal != 0;
}

bool InterruptionWatch::received() const {
    return receivedSignal != 0;
}

common::InterruptionCheck InterruptionWatch::check() {
    return [this] { return interrupted(); };
}

int InterruptionWatch::exitStatus() const {
    return 128 + static_cast<int>(receivedSignal);
}

int InterruptionWatch::reportInterruption() const {
    report(common::interruptionFault());
    return exitStatus();
}

} // namespace velorin::tools
