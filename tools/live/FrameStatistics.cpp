#include "tools/live/FrameStatistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velorin::tools {

void FrameStatistics::add(std::uint64_t shownAt, std::uint64_t making) {
    if (m_making.empty())
        m_first = shownAt;
    m_last = std::max(m_last, shownAt);
    m_making.push_back(making);
}

double FrameStatistics::framesPerSecond() const {
    if (m_making.size() < 2 || m_last <= m_first)
        return 0;
    return static_cast<double>(m_making.size() - 1) * 1e9 / static_cast<double>(m_last - m_first);
}

double FrameStatistics::percentile99Milliseconds() const {
    if (m_making.empty())
        return 0;
    std::vector<std::uint64_t> sorted = m_making;
    std::sort(sorted.begin(), sorted.end());
    auto rank = static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(sorted.size())));
    return static_cast<double>(sorted[std::max<std::size_t>(rank, 1) - 1]) / 1e6;
}

std::string FrameStatistics::summary() const {
    char text[96];
    std::snprintf(text, sizeof text, "frames %zu, fps %.1f, p99 %.1f ms", frames(),
                  framesPerSecond(), percentile99Milliseconds());
    return text;
}

} // namespace velorin::tools
