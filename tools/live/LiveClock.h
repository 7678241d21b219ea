// The clock that drives `velorin-sim live`, and the pace of its frames.
//
// The wall clock is the steady clock from the moment the window opens: each frame waits until
// its turn, sixty times a second, counted from fixed deadlines so that the pace does not drift.
// For tests, VELORIN_TEST_LIVE_CLOCK=input puts the clock in the hands of standard input
// instead: a line "SECONDS" moves it to that time at once (never back) and a line "key K"
// presses the key K, so that a test decides exactly when things happen and what the window
// has seen by then, without waiting on the real time. The end of the input ends the window
// as its close button does.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace velorin::tools {

inline constexpr std::uint64_t liveFrameNanoseconds = 1'000'000'000 / 60;

class LiveClock {
public:
    virtual ~LiveClock() = default;
    // Nanoseconds since the clock started.
    virtual std::uint64_t now() const = 0;
    // Waits until the next frame is due and gives the keys pressed through the clock meanwhile
    // (as their letters); false once the clock's input has ended. Returns early when a signal
    // arrives, so that the caller can ask its interruption watch.
    virtual bool waitForNextFrame(std::vector<char>& keys) = 0;
};

std::unique_ptr<LiveClock> makeWallClock();
// Reads times and keys from `descriptor` (see above).
std::unique_ptr<LiveClock> makeInputClock(int descriptor);
// The input clock on standard input when the environment asks for it, else the wall clock.
std::unique_ptr<LiveClock> makeLiveClock();

} // namespace velorin::tools
