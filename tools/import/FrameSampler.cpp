#include "tools/import/FrameSampler.h"

#include <algorithm>

namespace velorin::tools {

namespace {

// Moments this close to a frame's end count as the end itself, so that rounding in a time base
// cannot hand a moment to the frame before the one that starts there.
constexpr double boundarySeconds = 1e-7;

} // namespace

FrameSampler::FrameSampler(const std::vector<double>& sourceTimes, double sourceEnd)
    : m_sourceEnd(sourceEnd) {
    for (std::size_t frame = 0; frame < sourceTimes.size(); ++frame)
        m_waiting.push_back({sourceTimes[frame], static_cast<int>(frame)});
    std::stable_sort(m_waiting.begin(), m_waiting.end(),
                     [](const Moment& a, const Moment& b) { return a.seconds < b.seconds; });
}

bool FrameSampler::wants(double endSeconds) const {
    return m_next < m_waiting.size() && (m_waiting[m_next].seconds + boundarySeconds < endSeconds ||
                                         endSeconds + boundarySeconds >= m_sourceEnd);
}

std::vector<int> FrameSampler::take(double endSeconds) {
    std::vector<int> frames;
    while (wants(endSeconds))
        frames.push_back(m_waiting[m_next++].frame);
    return frames;
}

std::vector<int> FrameSampler::takeRemaining() {
    std::vector<int> frames;
    while (m_next < m_waiting.size())
        frames.push_back(m_waiting[m_next++].frame);
    return frames;
}

} // namespace velorin::tools
