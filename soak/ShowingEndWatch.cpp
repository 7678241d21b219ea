#include "soak/ShowingEndWatch.h"

#include "sim/LockScreenPage.h"
#include "sim/Trace.h"

#include <array>

namespace velorin::soak {

namespace {

// The first few space-separated fields of a line, after its time.
struct Fields {
    std::array<std::string_view, 5> field;
    std::size_t count{0};
};

Fields split(std::string_view line) {
    Fields fields;
    std::size_t start = line.find(' ');
    if (start == std::string_view::npos)
        return fields;
    ++start;
    while (start < line.size() && fields.count < fields.field.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string_view::npos)
            end = line.size();
        fields.field[fields.count++] = line.substr(start, end - start);
        start = end + 1;
    }
    return fields;
}

std::string seconds(std::uint64_t nanoseconds) {
    return sim::formatTime(nanoseconds) + " s";
}

} // namespace

void ShowingEndWatch::hear(std::uint64_t now, std::string_view line) {
    Fields fields = split(line);
    const auto& field = fields.field;
    if (fields.count >= 4 && field[0] == "ask") {
        if (field[2] == "isUILocked") {
            // A new decision begins; its power answer comes later, if at all.
            m_offPowerDecision = false;
        } else if (field[2] == "isOnAC") {
            if (field[3] == "1") {
                ++m_showingsStarted;
                while (!m_queuedEnds.empty() &&
                       m_queuedEnds.front() + showingLengthNanoseconds < now)
                    m_queuedEnds.pop_front();
                m_queuedEnds.push_back(now);
            } else {
                m_offPowerDecision = true;
            }
        }
        return;
    }
    if (fields.count >= 2 && field[0] == "animation") {
        ++m_animationsStarted;
        return;
    }
    if (fields.count < 3 || field[0] != "view")
        return;
    std::string_view name = field[1];
    if (field[2] == "added") {
        if (fields.count >= 4 && field[3] == sim::pageViewName)
            m_onPage.emplace(name);
        else if (auto found = m_onPage.find(name); found != m_onPage.end())
            m_onPage.erase(found);
    } else if (field[2] == "removed") {
        if (auto found = m_onPage.find(name); found != m_onPage.end())
            m_onPage.erase(found);
    } else if (field[2] == "alpha" && fields.count >= 4 && field[3] == "0") {
        if (m_offPowerDecision)
            m_offPowerDecision = false;
        else if (m_onPage.contains(name))
            endActed(now);
    }
}

void ShowingEndWatch::endActed(std::uint64_t now) {
    ++m_endsActed;
    m_endActedSinceAsked = true;
    // Ends queued more than four seconds ago have had their turn without acting.
    while (!m_queuedEnds.empty() && m_queuedEnds.front() + showingLengthNanoseconds < now)
        m_queuedEnds.pop_front();
    if (m_queuedEnds.empty() || m_queuedEnds.front() + showingLengthNanoseconds != now) {
        breach("the container was hidden at " + seconds(now) +
               " with no end of a showing due then");
        return;
    }
    std::uint64_t queued = m_queuedEnds.front();
    m_queuedEnds.pop_front();
    if (m_lastEndActed && queued < *m_lastEndActed) {
        breach("the end queued at " + seconds(queued) + " acted at " + seconds(now) +
               ", but it was already pending when another end acted at " +
               seconds(*m_lastEndActed));
    }
    m_lastEndActed = now;
}

void ShowingEndWatch::breach(std::string detail) {
    if (!m_breach)
        m_breach = InvariantBreach{Invariant::OneActingEnd, std::move(detail)};
}

std::optional<InvariantBreach> ShowingEndWatch::takeBreach() {
    return std::exchange(m_breach, std::nullopt);
}

} // namespace velorin::soak
