// The simulated host shell's own behaviour: its device state, classes, lock-screen page and
// idle countdown, and the way it calls its own methods.
//
// The host calls every method that the extension may interpose through the runtime, so that
// a replacement installed in its class runs instead. Around each such call it notes whether
// the class answered with something other than its own implementation, and its own
// implementations report when they run; together these give the trace's hook lines. The
// extension's questions and commands reach the host's implementations of them, which answer
// from the device state and trace what was asked.
//
// One host model is active per process at a time; the host's method implementations, which
// receive only a receiver and a selector, reach it through `HostModel::active()`. A model is
// built only by SimulatedHost::start, which refuses a second live host with a fault before it
// builds anything.
#pragma once

#include "sim/DeviceState.h"
#include "sim/HostClasses.h"
#include "sim/HostSetup.h"
#include "sim/IdleCountdown.h"
#include "sim/LockScreenPage.h"
#include "sim/Trace.h"

#include <memory>
#include <vector>

namespace velorin::sim {

inline constexpr std::uint64_t chargingViewShownAfterPlugNanoseconds = 3'000'000'000;

class HostModel {
public:
    HostModel(const HostSetup& setup, Trace& trace);
    ~HostModel();
    HostModel(const HostModel&) = delete;
    HostModel& operator=(const HostModel&) = delete;

    // The model whose classes are registered now, or none.
    static HostModel* active();

    const HostSetup& setup() const { return m_setup; }
    DeviceState& device() { return m_device; }
    Trace& trace() { return m_trace; }
    HostClasses& classes() { return m_classes; }
    LockScreenPage& page() { return m_page; }
    IdleCountdown& idleCountdown() { return m_idleCountdown; }

    // What the host does of its own accord; each goes through its interposable method.
    void finishLaunching();
    void presentPage();
    void announcePowerChange();
    void startWakeAnimations(bool waking);
    // Answers whether the request reached the host's own implementation or was dropped.
    HookOutcome requestBacklight(float factor);
    // Asks the lock-screen controllers to show or hide the host's charging view.
    void requestChargingView(Visibility visibility);
    // After a plug-in on the locked screen: show the charging view, and hide it a while later.
    void showChargingViewBriefly();

    // Called first by the host's own implementation of an interposable method.
    void ownImplementationRuns(id receiver, SEL selector);
    // The effects of the host's own implementations.
    void applyBacklight(float factor);
    void applyChargingView(Visibility visibility);

private:
    struct Call {
        id receiver;
        SEL selector;
        bool interposed;
        bool ownImplementationRan;
    };
    // Answers whether the host's own implementation ran.
    template <typename... Arguments>
    bool callOwnMethod(id receiver, const char* selector, Arguments... arguments);

    HostSetup m_setup;
    Trace& m_trace;
    DeviceState m_device;
    HostClasses m_classes;
    LockScreenPage m_page;
    IdleCountdown m_idleCountdown;
    std::vector<Call> m_calls;
    // Blocks the host queues hold this weakly, so that none acts on a model that is gone.
    std::shared_ptr<HostModel*> m_lifetime;
};

} // namespace velorin::sim
