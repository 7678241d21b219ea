#include "sim/IdleCountdown.h"

#include "platform/MainQueue.h"

namespace velorin::sim {

struct IdleCountdown::State {
    std::optional<std::uint64_t> autolock;
    Step dimScreen;
    Step sleepScreen;
    Phase phase{Phase::Stopped};
    std::uint64_t generation{0};
    std::uint64_t dueTime{0};
};

namespace {

void schedule(const std::shared_ptr<IdleCountdown::State>& state, std::uint64_t delay,
              IdleCountdown::Phase phase);

} // namespace

IdleCountdown::IdleCountdown(std::optional<std::uint64_t> autolockNanoseconds, Step dimScreen,
                             Step sleepScreen)
    : m_state(std::make_shared<State>()) {
    m_state->autolock = autolockNanoseconds;
    m_state->dimScreen = std::move(dimScreen);
    m_state->sleepScreen = std::move(sleepScreen);
}

IdleCountdown::~IdleCountdown() = default;

void IdleCountdown::restart() {
    if (!m_state->autolock) {
        stop();
        return;
    }
    schedule(m_state, *m_state->autolock, Phase::CountingToDim);
}

void IdleCountdown::stop() {
    ++m_state->generation;
    m_state->phase = Phase::Stopped;
}

IdleCountdown::Phase IdleCountdown::phase() const {
    return m_state->phase;
}

std::optional<std::uint64_t> IdleCountdown::nextStepTime() const {
    if (m_state->phase == Phase::Stopped)
        return std::nullopt;
    return m_state->dueTime;
}

namespace {

void schedule(const std::shared_ptr<IdleCountdown::State>& state, std::uint64_t delay,
              IdleCountdown::Phase phase) {
    using Phase = IdleCountdown::Phase;
    std::uint64_t generation = ++state->generation;
    state->phase = phase;
    state->dueTime = dispatch_time(DISPATCH_TIME_NOW, static_cast<std::int64_t>(delay));
    // The block holds the state weakly: a countdown that is gone leaves only stale blocks.
    std::weak_ptr<IdleCountdown::State> weakState = state;
    dispatch_after(state->dueTime, dispatch_get_main_queue(), [weakState, generation] {
        auto alive = weakState.lock();
        if (!alive || alive->generation != generation)
            return;
        if (alive->phase == Phase::CountingToDim) {
            // The next step is queued before the dim request, so that the request's
            // consequences may still stop or restart the countdown.
            schedule(alive, sleepDelayAfterDimNanoseconds, Phase::CountingToSleep);
            if (alive->dimScreen)
                alive->dimScreen();
        } else {
            alive->phase = Phase::Stopped;
            if (alive->sleepScreen)
                alive->sleepScreen();
        }
    });
}

} // namespace

} // namespace velorin::sim
