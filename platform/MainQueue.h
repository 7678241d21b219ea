// The main dispatch queue: blocks queued for a time, run one at a time on the main thread.
//
// Time is counted in nanoseconds from the queue's start. In virtual mode (tests and the
// simulated host) nothing moves until the driver runs the queue up to a time; blocks run in
// order of due time, equal due times in queueing order, and a block queued while another runs
// is run later by the driver, never inside the caller. In real-time mode the driver waits on
// the wall clock for each block. A queued block cannot be withdrawn.
#pragma once

#include "platform/Export.h"

#include <cstdint>
#include <functional>

using dispatch_time_t = std::uint64_t;
using dispatch_block_t = std::function<void()>;
struct dispatch_queue_s;
using dispatch_queue_t = dispatch_queue_s*;

inline constexpr dispatch_time_t DISPATCH_TIME_NOW = 0;
inline constexpr dispatch_time_t DISPATCH_TIME_FOREVER = ~0ull;
inline constexpr std::int64_t NSEC_PER_SEC = 1'000'000'000;
inline constexpr std::int64_t NSEC_PER_MSEC = 1'000'000;

VELORIN_EXPORT dispatch_queue_t dispatch_get_main_queue();
// `when` plus `delta` nanoseconds; DISPATCH_TIME_NOW stands for the queue's current time.
// The result never goes below zero nor wraps past DISPATCH_TIME_FOREVER.
VELORIN_EXPORT dispatch_time_t dispatch_time(dispatch_time_t when, std::int64_t delta);
// Queues a block on the main queue (any other queue, or no block, is ignored). A time already
// past means now, after the blocks already due; DISPATCH_TIME_FOREVER means never.
VELORIN_EXPORT void dispatch_after(dispatch_time_t when, dispatch_queue_t queue,
                                   dispatch_block_t block);
VELORIN_EXPORT void dispatch_async(dispatch_queue_t queue, dispatch_block_t block);

namespace platform {

enum class ClockMode { Virtual, RealTime };

// The driver's side of the main queue.
class VELORIN_EXPORT MainQueue {
public:
    static MainQueue& shared();

    // Drops every queued block and sets the clock back to zero in the given mode.
    void reset(ClockMode mode = ClockMode::Virtual);
    ClockMode mode() const;

    // The current time in nanoseconds since the queue's start.
    std::uint64_t now() const;
    double nowSeconds() const { return static_cast<double>(now()) / 1e9; }

    // Runs every block due at or before `time`, in order, then leaves the clock at `time`
    // (in real-time mode: returns once the steady clock has reached it). Blocks queued
    // meanwhile for no later than `time` run too. Answers how many ran. Called from inside a
    // block it runs nothing and answers 0, so that no block runs inside another.
    std::size_t runUntil(std::uint64_t time);
    // Runs the blocks that are due now without moving the clock.
    std::size_t runDue() { return runUntil(now()); }
    // The due time of the earliest queued block, or DISPATCH_TIME_FOREVER.
    std::uint64_t nextDueTime() const;
    std::size_t pendingCount() const;

private:
    // Queueing goes through the dispatch functions, the platform's only way to add a block.
    friend void ::dispatch_after(dispatch_time_t, dispatch_queue_t, dispatch_block_t);

    MainQueue();
    struct Impl;
    Impl* m_impl;
};

} // namespace platform
