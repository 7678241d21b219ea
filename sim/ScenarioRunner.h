// Plays a scenario on a fresh simulated host and writes its trace.
#pragma once

#include "sim/Scenario.h"
#include "sim/SimulatedHost.h"

#include <optional>
#include <string>

namespace velorin::sim {

// Builds a host from the scenario's set-up, plays every event at its time (each after the
// blocks due by then) and stops at the end time with an "end" line. Answers a message, and
// stops at once, when the extension cannot be loaded at launch.
std::optional<std::string> runScenario(const Scenario& scenario, const HostEnvironment& environment,
                                       TraceSink sink);

// Plays one event on a host, at the host's current time.
std::optional<std::string> playEvent(SimulatedHost& host, const ScenarioEvent& event);

} // namespace velorin::sim
