#include "presentation/PresentationController.h"

#include "host/HostShell.h"
#include "integration/LockScreenContainer.h"
#include "integration/Velorin.h"
#include "platform/MainQueue.h"
#include "platform/StringValues.h"
#include "settings/Settings.h"

#include <cstdint>

namespace velorin {

namespace {

constexpr std::int64_t showingLengthNanoseconds = 4'000'000'000;

bool keepAwake = false;
// Numbers the showings; only the end of the newest one may act.
std::uint64_t newestShowing = 0;
// The newest showing's end is still queued.
bool newestEndPending = false;

void endShowing(std::uint64_t showing, bool lockedAtStart) {
    if (showing != newestShowing)
        return;
    newestEndPending = false;
    if (platform::UIView* container = containerView())
        container->setAlpha(0.0);
    dropAnimationView();
    if (!settings().loop)
        return;
    ShowingOutcome restart = decideShowing();
    if (!settings().noSleep || !lockedAtStart)
        return;
    // The hold is only ever taken on power: a restart that found the charger gone has just
    // released it, and taking it again would keep the screen awake off power.
    if (restart != ShowingOutcome::Started)
        return;
    keepAwake = true;
    ::resetIdleTimer();
}

} // namespace

Ref<AnimatedImageView>& animationView() {
    static Ref<AnimatedImageView> current;
    return current;
}

void dropAnimationView() {
    Ref<AnimatedImageView> view = std::move(animationView());
    if (!view)
        return;
    view->stopAnimating();
    view->removeFromSuperview();
}

bool keepAwakeActive() {
    return keepAwake;
}

void releaseKeepAwake() {
    if (!keepAwake)
        return;
    keepAwake = false;
    ::resetIdleTimer();
}

bool hasActingEndPending() {
    return newestEndPending;
}

ShowingOutcome decideShowing() {
    // The three questions always come in this order; power is asked only with a container.
    bool locked = host::isUILocked();
    bool dim = host::screenIsDim();
    platform::UIView* container = containerView();
    if (!container)
        return ShowingOutcome::NoContainer;
    if (host::isOnAC()) {
        std::uint64_t showing = ++newestShowing;
        newestEndPending = true;
        container->setAlpha(1.0);
        handleBatteryOptionsAndAnimate(locked, dim);
        // The four seconds count from here, after the view has been made and started.
        dispatch_after(dispatch_time(DISPATCH_TIME_NOW, showingLengthNanoseconds),
                       dispatch_get_main_queue(),
                       [showing, locked] { endShowing(showing, locked); });
        return ShowingOutcome::Started;
    }
    ++newestShowing;
    newestEndPending = false;
    container->setAlpha(0.0);
    dropAnimationView();
    keepAwake = false;
    ::resetIdleTimer();
    return ShowingOutcome::Cleared;
}

} // namespace velorin

using namespace velorin;

extern "C" void showVelorin(void) {
    decideShowing();
}

extern "C" void clearAnimationView(void) {
    dropAnimationView();
}

extern "C" void resetIdleTimer(void) {
    // The version is read afresh each time; "10.3.3" reads as 10.3, and text that does not
    // begin with a number reads as 0, which takes the older interface.
    float version = platform::floatValue(host::systemVersion());
    if (version < 11.0f)
        host::resetLockScreenIdleTimer();
    else
        host::resetIdleTimer();
}
