// How smoothly the live window ran: how many frames it showed, at what rate, and how long the
// slowest of them took to make, as `live --stats` prints at the end:
// "frames N, fps F, p99 T ms".
//
// A frame's time is the work of making it: moving the device on, drawing the lock screen and
// handing it to the window, without the wait for its turn. The rate is the frames shown over
// the time from the first to the last.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velorin::tools {

class FrameStatistics {
public:
    // One frame: when it was shown and how long it took to make, in nanoseconds.
    void add(std::uint64_t shownAt, std::uint64_t making);

    std::size_t frames() const { return m_making.size(); }
    double framesPerSecond() const;
    // The time that 99 frames in 100 took at most (the nearest rank), in milliseconds.
    double percentile99Milliseconds() const;
    std::string summary() const;

private:
    std::vector<std::uint64_t> m_making;
    std::uint64_t m_first{0};
    std::uint64_t m_last{0};
};

} // namespace velorin::tools
