// The main dispatch queue and its clock.
//
// Blocks are kept ordered by due time and then by a running queueing number, which gives the
// order "earliest first, equal times first come first served". A block is never due before
// the moment it was queued, so a block queued for a time already past runs after the blocks
// that were due at that moment. The driver alone runs blocks: queueing never runs anything,
// and a call to runUntil from inside a block runs nothing, so no block ever runs inside
// another. In real-time mode the clock is the steady clock since the last reset, and the
// driver sleeps until each block is due; everything still happens on the driver's thread.
#include "platform/MainQueue.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <map>
#include <thread>
#include <utility>

struct dispatch_queue_s {};

namespace platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

struct QueueKey {
    std::uint64_t dueTime;
    std::uint64_t sequence;
    auto operator<=>(const QueueKey&) const = default;
};

} // namespace

struct MainQueue::Impl {
    ClockMode mode{ClockMode::Virtual};
    std::uint64_t virtualNow{0};
    SteadyClock::time_point realStart{SteadyClock::now()};
    std::uint64_t nextSequence{0};
    std::map<QueueKey, dispatch_block_t> blocks;
    bool running{false};

    std::uint64_t now() const {
        if (mode == ClockMode::Virtual)
            return virtualNow;
        auto elapsed = SteadyClock::now() - realStart;
        auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
        return nanoseconds < 0 ? 0 : static_cast<std::uint64_t>(nanoseconds);
    }

    // Lets the clock reach `time`: the virtual clock is set forward, the real one waited for.
    // The virtual clock never goes back.
    void advanceTo(std::uint64_t time) {
        if (mode == ClockMode::Virtual) {
            virtualNow = std::max(virtualNow, time);
            return;
        }
        // Sleeping in bounded steps keeps the duration arithmetic far from overflow, even for
        // a target of DISPATCH_TIME_FOREVER, and copes with early wake-ups.
        constexpr std::uint64_t longestSleep = 3'600ull * NSEC_PER_SEC;
        for (std::uint64_t current = now(); current < time; current = now()) {
            auto step = std::min(time - current, longestSleep);
            std::this_thread::sleep_for(std::chrono::nanoseconds(static_cast<std::int64_t>(step)));
        }
    }
};

MainQueue::MainQueue() : m_impl(new Impl) {
}

MainQueue& MainQueue::shared() {
    // Made on first use and never destroyed, so that blocks queued by code running at process
    // exit find a live queue.
    static auto* queue = new MainQueue;
    return *queue;
}

void MainQueue::reset(ClockMode mode) {
    m_impl->blocks.clear();
    m_impl->mode = mode;
    m_impl->virtualNow = 0;
    m_impl->realStart = SteadyClock::now();
    m_impl->nextSequence = 0;
}

ClockMode MainQueue::mode() const {
    return m_impl->mode;
}

std::uint64_t MainQueue::now() const {
    return m_impl->now();
}

std::size_t MainQueue::runUntil(std::uint64_t time) {
    if (m_impl->running)
        return 0;
    m_impl->running = true;
    std::size_t ran = 0;
    while (!m_impl->blocks.empty()) {
        auto earliest = m_impl->blocks.begin();
        auto dueTime = earliest->first.dueTime;
        if (dueTime > time)
            break;
        m_impl->advanceTo(dueTime);
        // The block leaves the queue before it runs, so that it may queue more blocks or
        // reset the queue.
        dispatch_block_t block = std::move(earliest->second);
        m_impl->blocks.erase(earliest);
        ++ran;
        try {
            block();
        } catch (...) {
            m_impl->running = false;
            throw;
        }
    }
    m_impl->advanceTo(time);
    m_impl->running = false;
    return ran;
}

std::uint64_t MainQueue::nextDueTime() const {
    if (m_impl->blocks.empty())
        return DISPATCH_TIME_FOREVER;
    return m_impl->blocks.begin()->first.dueTime;
}

std::size_t MainQueue::pendingCount() const {
    return m_impl->blocks.size();
}

} // namespace platform

namespace {

dispatch_queue_s mainQueueObject;

} // namespace

dispatch_queue_t dispatch_get_main_queue() {
    return &mainQueueObject;
}

dispatch_time_t dispatch_time(dispatch_time_t when, std::int64_t delta) {
    if (when == DISPATCH_TIME_FOREVER)
        return DISPATCH_TIME_FOREVER;
    std::uint64_t base = when == DISPATCH_TIME_NOW ? platform::MainQueue::shared().now() : when;
    if (delta >= 0) {
        auto forward = static_cast<std::uint64_t>(delta);
        return forward >= DISPATCH_TIME_FOREVER - base ? DISPATCH_TIME_FOREVER : base + forward;
    }
    // The magnitude of a negative delta, computed without negating INT64_MIN.
    auto backward = static_cast<std::uint64_t>(-(delta + 1)) + 1;
    return backward >= base ? 0 : base - backward;
}

void dispatch_after(dispatch_time_t when, dispatch_queue_t queue, dispatch_block_t block) {
    if (queue != &mainQueueObject || !block)
        return;
    // A block for the end of time would never run; keeping it would only make the queue look
    // busy for ever.
    if (when == DISPATCH_TIME_FOREVER)
        return;
    auto& impl = *platform::MainQueue::shared().m_impl;
    auto dueTime = std::max<std::uint64_t>(when, impl.now());
    impl.blocks.emplace(platform::QueueKey{dueTime, impl.nextSequence++}, std::move(block));
}

void dispatch_async(dispatch_queue_t queue, dispatch_block_t block) {
    dispatch_after(DISPATCH_TIME_NOW, queue, std::move(block));
}
