// A scenario: a host's set-up and the timed events played on it, as `velorin-sim run` reads
// them from a scenario file.
#pragma once

#include "platform/PropertyValue.h"
#include "platform/display/Geometry.h"
#include "sim/HostSetup.h"
#include "sim/SimulatedHost.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velorin::sim {

// Without an `end` event, a run stops this long after its last event.
inline constexpr std::uint64_t runAfterLastEventNanoseconds = 10 * nanosecondsPerSecond;

enum class EventKind {
    Launch,
    Lock,
    Unlock,
    Present,
    Plug,
    Unplug,
    Wake,
    Dim,
    Sleep,
    ShowChargingView,
    HideChargingView,
    SetPreference,
    UnsetPreference,
    Notify,
    Touch,
    End,
};

struct ScenarioEvent {
    // Nanoseconds of virtual time; never less than the previous event's.
    std::uint64_t time{0};
    // Where the event was written, counted from 1.
    int line{0};
    // The event as written, without its time or a comment.
    std::string text;
    EventKind kind{EventKind::End};
    // For `wake`.
    WakeKind wake{WakeKind::Waking};
    // For `pref` and `unpref`.
    std::string key;
    platform::PropertyValue value;
    // For `touch`, in points of the page.
    platform::CGPoint point;
};

struct Scenario {
    HostSetup setup;
    std::vector<ScenarioEvent> events;

    bool launches() const;
    // When the run stops: at `end`, or a while after the last event (or after time zero).
    std::uint64_t endTime() const;
};

} // namespace velorin::sim
