#include "sim/ScenarioRunner.h"

namespace velorin::sim {

std::optional<std::string> playEvent(SimulatedHost& host, const ScenarioEvent& event) {
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
        host.setPreference(event.key, event.value);
        break;
    case EventKind::UnsetPreference:
        host.unsetPreference(event.key);
        break;
    case EventKind::Notify:
        host.notifyPreferencesChanged();
        break;
    case EventKind::Touch:
        host.touch(event.point);
        break;
    case EventKind::End:
        break;
    }
    return std::nullopt;
}

std::optional<std::string> runScenario(const Scenario& scenario, const HostEnvironment& environment,
                                       TraceSink sink) {
    SimulatedHost host(scenario.setup, environment, std::move(sink));
    for (const ScenarioEvent& event : scenario.events) {
        host.advanceTo(event.time);
        if (event.kind == EventKind::End)
            break;
        host.traceEvent(event.text);
        if (auto fault = playEvent(host, event))
            return fault;
    }
    host.advanceTo(scenario.endTime());
    host.traceEnd();
    return std::nullopt;
}

} // namespace velorin::sim
