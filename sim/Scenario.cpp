#include "sim/Scenario.h"

namespace velorin::sim {

bool Scenario::launches() const {
    for (const ScenarioEvent& event : events) {
        if (event.kind == EventKind::Launch)
            return true;
    }
    return false;
}

std::uint64_t Scenario::endTime() const {
    if (!events.empty() && events.back().kind == EventKind::End)
        return events.back().time;
    std::uint64_t last = events.empty() ? 0 : events.back().time;
    return last + runAfterLastEventNanoseconds;
}

} // namespace velorin::sim
