// The host's idle countdown: after the auto-lock time without a restart it dims the screen,
// and five seconds after dimming it puts the screen to sleep.
//
// Its steps are blocks on the main queue, so they interleave with the extension's blocks in
// the queue's own deterministic order. A queued block cannot be withdrawn, so a restart or a
// stop makes the blocks already queued stale instead: each carries the countdown's generation
// and does nothing once that has moved on. The steps only ask; whether the screen really dims
// is up to the backlight request they make (which the extension may drop).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace velorin::sim {

inline constexpr std::uint64_t sleepDelayAfterDimNanoseconds = 5'000'000'000;

class IdleCountdown {
public:
    enum class Phase { Stopped, CountingToDim, CountingToSleep };
    using Step = std::function<void()>;

    // With no auto-lock time the countdown never runs.
    IdleCountdown(std::optional<std::uint64_t> autolockNanoseconds, Step dimScreen,
                  Step sleepScreen);
    ~IdleCountdown();
    IdleCountdown(const IdleCountdown&) = delete;
    IdleCountdown& operator=(const IdleCountdown&) = delete;

    // Starts counting the auto-lock time afresh from now, whatever phase it was in.
    void restart();
    void stop();

    Phase phase() const;
    // When the next step is due, in main-queue nanoseconds; none when stopped.
    std::optional<std::uint64_t> nextStepTime() const;

    struct State;

private:
    std::shared_ptr<State> m_state;
};

} // namespace velorin::sim
