// Hands each decoded source frame to the output frames that show it.
//
// Every output frame shows the source at one moment. Source frames arrive in the order they
// are shown, each on screen until its end; a frame serves every waiting moment before its end,
// and the frame that reaches the source's end serves all that still wait. So only the frames
// that some output frame shows need converting, and none has to be kept once the next one
// arrives. A moment that falls on the boundary between two source frames belongs to the later
// one.
#pragma once

#include <cstddef>
#include <vector>

namespace velorin::tools {

class FrameSampler {
public:
    // `sourceTimes[k]`: the moment, in seconds, that output frame k shows; `sourceEnd`: the
    // source's length.
    FrameSampler(const std::vector<double>& sourceTimes, double sourceEnd);

    // Whether a source frame on screen until `endSeconds` serves any waiting output frame.
    bool wants(double endSeconds) const;
    // The output frames that a source frame on screen until `endSeconds` serves; they stop
    // waiting.
    std::vector<int> take(double endSeconds);
    // Every output frame still waiting, for a source that ended early.
    std::vector<int> takeRemaining();
    bool finished() const { return m_next == m_waiting.size(); }

private:
    struct Moment {
        double seconds;
        int frame;
    };
    std::vector<Moment> m_waiting;
    double m_sourceEnd{0};
    std::size_t m_next{0};
};

} // namespace velorin::tools
