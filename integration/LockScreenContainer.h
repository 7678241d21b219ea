// The lock-screen container: one transparent, non-interactive view laid over the lock
// screen's main page, which the presentation shows and hides and the sequence presenter draws
// in.
//
// It is built by the page's presentation update while the extension is enabled and handed to
// the presentation, which keeps it. After a settings load the next update detaches the current
// container first; with the extension then disabled, no container remains, so nothing runs in
// a view that is off the page, and a keep-awake hold is released with it.
#pragma once

#include "platform/Runtime.h"

namespace velorin {

inline constexpr long containerTag = 8966;

// The replacement for the page view's presentation update; its slot is among the hook slots.
void hookUpdateForPresentation(id self, SEL selector, id presentation);

// Every settings load asks for the container to be rebuilt: the next page update detaches the
// current one first, and clears the request.
void requestContainerReset();
bool containerResetPending();

// Clears the request, as at load.
void resetLockScreenContainer();

} // namespace velorin
