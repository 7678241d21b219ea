#include "sim/ScenarioRunner.h"

namespace velorin::sim {

common::Result<void> playEvent(SimulatedHost& host, const ScenarioEvent& event) {
    switch (event.kind) {
    case EventKind::Launch:
        return host.launch();
    case EventKind::Lock:
        host.lock();
        break;
    case EventKind::Unlock:
        host.unlock();
        break;
    case EventKind::Present:
        host.present();
        break;
    case EventKind::Plug:
        host.plug();
        break;
    case EventKind::Unplug:
        host.unplug();
        break;
    case EventKind::Wake:
        host.wake(event.wake);
        break;
    case EventKind::Dim:
        host.dim();
        break;
    case EventKind::Sleep:
        host.sleep();
        break;
    case EventKind::ShowChargingView:
        host.showChargingView();
        break;
    case EventKind::HideChargingView:
        host.hideChargingView();
        break;
    case EventKind::SetPreference:
        return host.setPreference(event.key, event.value);
    case EventKind::UnsetPreference:
        return host.unsetPreference(event.key);
    case EventKind::Notify:
        host.notifyPreferencesChanged();
        break;
    case EventKind::Touch:
        host.touch(event.point);
        break;
    case EventKind::End:
        break;
    }
    return {};
}

common::Result<void> runScenario(const Scenario& scenario, const HostEnvironment& environment,
                                 TraceSink sink, const common::InterruptionCheck& interrupted) {
    if (common::isInterrupted(interrupted))
        return common::interruptionFault();
    auto started = TRY(SimulatedHost::start(scenario.setup, environment, std::move(sink)));
    SimulatedHost& host = *started;
    for (const ScenarioEvent& event : scenario.events) {
        if (common::isInterrupted(interrupted))
            return common::interruptionFault();
        host.advanceTo(event.time);
        // A written end is an event like any other, and then the run stops.
        host.traceEvent(event.text);
        if (event.kind == EventKind::End)
            break;
        TRY(playEvent(host, event));
    }
    host.advanceTo(scenario.endTime());
    host.traceEnd();
    return {};
}

} // namespace velorin::sim
