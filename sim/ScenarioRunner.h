// Plays a scenario on a fresh simulated host and writes its trace.
#pragma once

#include "common/Interruption.h"
#include "common/Result.h"
#include "sim/Scenario.h"
#include "sim/SimulatedHost.h"

namespace velorin::sim {

// Starts a host from the scenario's set-up, plays every event at its time (each after the
// blocks due by then) and stops at the end time with an "end" line. Gives a fault, and stops
// at once, when the host cannot start, the extension cannot be loaded at launch or an edit of
// the preferences cannot be written. `interrupted` is asked before the host starts and before
// each event; when it says so, the run stops there with the interruption fault, and the host
// and its private preference copy go.
common::Result<void> runScenario(const Scenario& scenario, const HostEnvironment& environment,
                                 TraceSink sink, const common::InterruptionCheck& interrupted = {});

// Plays one event on a host, at the host's current time.
common::Result<void> playEvent(SimulatedHost& host, const ScenarioEvent& event);

} // namespace velorin::sim
