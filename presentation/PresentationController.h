// Showing and clearing the charging animation.
//
// A showing makes the container visible, has the sequence layer start an animated view in it,
// and ends four seconds later, hiding the container and removing the view; with looping on,
// the end starts the next showing at once, and with keep-awake also on it holds the screen
// awake. Each showing owns its end: an end whose showing is no longer the newest (a later
// showing has started, or the device was found off power since) does nothing, so showings
// never cut each other short and looping never forks into parallel chains.
#pragma once

#include "animation/AnimatedImageView.h"

namespace velorin {

// The current animated view, or none. Only the sequence layer sets it and only
// `dropAnimationView` clears it, so the container never holds more than one.
Ref<AnimatedImageView>& animationView();

// Stops the current view, detaches it and lets it go; nothing when there is none.
void dropAnimationView();

// While set, the host's backlight changes are dropped.
bool keepAwakeActive();

// Releases a keep-awake hold, if one is taken, and gives the idle countdown back to the host.
// For when the container goes: with nothing left to show in, no later decision would reach
// the off-power path that releases it, and the screen would stay lit off power.
void releaseKeepAwake();

// What one decision of the controller did.
enum class ShowingOutcome { NoContainer, Started, Cleared };

// The controller's decision, with its outcome for the end of a showing.
ShowingOutcome decideShowing();

// How many ends of a showing are queued and would still act; for checking invariants.
bool hasActingEndPending();

} // namespace velorin
