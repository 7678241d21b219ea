// Watches the ends of showings from the host's side, through its trace, to check that at most
// one end of a showing that can still act is ever pending.
//
// The extension queues an end four seconds after every decision that finds the device on
// power, and whether a queued end will act is its own business: the host can neither see nor
// withdraw what is queued. What the host does see is an end acting, because an end that acts
// hides the container on the page before anything else, whereas every other hide of the
// container follows a power question answered "no", and a new container is hidden before it
// is attached. So the watch notes when each on-power decision queued its end, and when a
// container on the page is hidden by an end; each acting end must match an end queued exactly
// four seconds earlier, and no acting end may have been queued before the previous acting end
// ran: two such ends were both pending and both able to act, which is how showings cut each
// other short and loops fork into chains. An end that never acts is indistinguishable, from
// outside, from one never queued, and it breaks nothing the host can see.
#pragma once

#include "presentation/ShowingLength.h"
#include "soak/SoakInvariants.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace velorin::soak {

class ShowingEndWatch {
public:
    // One trace line (with its time field), heard at `now` on the main queue's clock.
    void hear(std::uint64_t now, std::string_view line);

    // The first breach seen since the last call, if any.
    std::optional<InvariantBreach> takeBreach();
    // Whether an end of a showing has acted since the last call.
    bool takeEndActed() { return std::exchange(m_endActedSinceAsked, false); }
    // Whether an end queued by an on-power decision is still to come after `now`.
    bool isEndPending(std::uint64_t now) const {
        return !m_queuedEnds.empty() && m_queuedEnds.back() + showingLengthNanoseconds > now;
    }

    // Decisions that found the device on power: the showings started.
    std::uint64_t showingsStarted() const { return m_showingsStarted; }
    std::uint64_t endsActed() const { return m_endsActed; }
    // Animated views that got their frames.
    std::uint64_t animationsStarted() const { return m_animationsStarted; }

private:
    void endActed(std::uint64_t now);
    void breach(std::string detail);

    std::deque<std::uint64_t> m_queuedEnds;
    std::optional<std::uint64_t> m_lastEndActed;
    // Names of the views attached to the page, as the trace names them.
    std::set<std::string, std::less<>> m_onPage;
    bool m_offPowerDecision{false};
    bool m_endActedSinceAsked{false};
    std::optional<InvariantBreach> m_breach;
    std::uint64_t m_showingsStarted{0};
    std::uint64_t m_endsActed{0};
    std::uint64_t m_animationsStarted{0};
};

} // namespace velorin::soak
