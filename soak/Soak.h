// The soak run: days of seeded random host events on a simulated host with the real
// extension loaded, with the lock screen's invariants checked after every event and after
// every block the host's main queue runs between events.
//
// The host runs on a private copy of the device root, so the soak's edits to sequence folders
// never reach the root it was given, and the copy is gone when the run ends. The run stops at
// the first breach, which names the event, the time and the invariant; the same seed and days
// on the same root replay the same run. Virtual time is cheap but showings are not: each one
// on the lit, locked screen decodes a whole sequence, so the run's cost follows the time the
// device spends charging in view rather than the days.
#pragma once

#include "common/Interruption.h"
#include "common/Result.h"
#include "soak/SoakInvariants.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velorin::soak {

struct SoakOptions {
    double days{30};
    std::uint64_t seed{1};
    // The root to copy, and the extension library to load.
    std::string deviceRoot;
    std::string extensionLibrary;
    // Asked while the root is copied and before each event; a yes stops the run with the
    // interruption fault, and the copy goes.
    common::InterruptionCheck interrupted;
};

struct SoakBreach {
    InvariantBreach breach;
    // The event after which it was seen (0 is the launch), its time and what it was. A
    // breach seen while the queue ran between events names the last event before it.
    std::uint64_t eventNumber{0};
    std::uint64_t time{0};
    std::string event;
    // The host's last trace lines before the breach was seen, oldest first.
    std::vector<std::string> recentTrace;
};

struct SoakReport {
    std::uint64_t events{0};
    std::uint64_t showings{0};
    std::uint64_t animatedViews{0};
    std::uint64_t endsActed{0};
    std::size_t peakDecodedBytes{0};
    std::uint64_t virtualTime{0};
    std::optional<SoakBreach> breach;
};

// Called at the end of every simulated day with the figures so far.
using SoakProgress = std::function<void(std::uint64_t day, const SoakReport& sofar)>;

// A fault when the root cannot be copied, the host cannot start, the extension cannot be loaded
// or a preference edit cannot be written. A breach is no fault: it is in the report.
common::Result<SoakReport> runSoak(const SoakOptions& options, const SoakProgress& progress = {});

} // namespace velorin::soak
