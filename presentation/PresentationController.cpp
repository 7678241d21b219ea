#include "presentation/PresentationController.h"

#include "host/Boundary.h"
#include "host/HostShell.h"
#include "platform/MainQueue.h"
#include "platform/StringValues.h"
#include "presentation/PresentationState.h"
#include "presentation/SequencePresenter.h"
#include "settings/Settings.h"

#include <cstdint>

namespace velorin {

namespace {

void endShowing(std::uint64_t showing, bool lockedAtStart) {
    presentation::State& state = presentation::state();
    if (showing != state.newestShowing)
        return;
    if (platform::UIView* container = containerView())
        container->setAlpha(0.0);
    clearAnimationView();
    if (!settings().loop)
        return;
    ShowingOutcome restart = showVelorin();
    if (!settings().noSleep || !lockedAtStart)
        return;
    // The hold exists to keep a lit screen lit, so it is taken only when the restart found
    // a container, the charger and a screen that is not dim. A restart that found the charger
    // gone has just released it, and taking it again would keep the screen awake off power;
    // one that found the screen dim would hold it dim, dropping even the host's wake-up.
    if (restart != ShowingOutcome::StartedOnLitScreen)
        return;
    state.keepAwakeActive = true;
    resetIdleTimer();
}

} // namespace

ShowingOutcome showVelorin() {
    presentation::State& state = presentation::state();
    // The three questions always come in this order; power is asked only with a container.
    bool locked = host::isUILocked();
    bool dim = host::screenIsDim();
    platform::UIView* container = containerView();
    if (!container)
        return ShowingOutcome::NoContainer;
    if (host::isOnAC()) {
        std::uint64_t showing = ++state.newestShowing;
        container->setAlpha(1.0);
        handleBatteryOptionsAndAnimate({.locked = locked, .dim = dim});
        // The four seconds count from here, after the view has been made and started.
        try {
            dispatch_after(dispatch_time(DISPATCH_TIME_NOW, showingLengthNanoseconds),
                           dispatch_get_main_queue(),
                           [showing, locked] { atBoundary([=] { endShowing(showing, locked); }); });
        } catch (...) {
            // A showing whose end cannot be queued (no memory for it) would stay on the lock
            // screen until the next event; it is taken down at once instead.
            container->setAlpha(0.0);
            clearAnimationView();
            throw;
        }
        return dim ? ShowingOutcome::StartedOnDimScreen : ShowingOutcome::StartedOnLitScreen;
    }
    ++state.newestShowing;
    container->setAlpha(0.0);
    clearAnimationView();
    state.keepAwakeActive = false;
    resetIdleTimer();
    return ShowingOutcome::Cleared;
}

void clearAnimationView() {
    platform::Ref<AnimatedImageView> view = std::move(presentation::state().animationView);
    if (!view)
        return;
    view->stopAnimating();
    view->removeFromSuperview();
}

void resetIdleTimer() {
    // The version is read afresh each time; "10.3.3" reads as 10.3, and text that does not
    // begin with a number reads as 0, which takes the older interface.
    float version = platform::floatValue(host::systemVersion());
    if (version < 11.0f)
        host::resetLockScreenIdleTimer();
    else
        host::resetGlobalIdleTimer();
}

void releaseKeepAwake() {
    presentation::State& state = presentation::state();
    if (!state.keepAwakeActive)
        return;
    state.keepAwakeActive = false;
    resetIdleTimer();
}

} // namespace velorin
