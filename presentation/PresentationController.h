// Showing and clearing the charging animation.
//
// A showing makes the container visible, has the sequence presenter start an animated view in
// it, and ends four seconds later, hiding the container and removing the view; with looping
// on, the end starts the next showing at once, and with keep-awake also on it holds the screen
// awake. Each showing owns its end: an end whose showing is no longer the newest (a later
// showing has started, or the device was found off power since) does nothing, so showings
// never cut each other short and looping never forks into parallel chains.
#pragma once

#include "presentation/ShowingLength.h"

namespace velorin {

// What one decision of the controller did. A showing started on a dim screen shows the
// container but places no view.
enum class ShowingOutcome { NoContainer, StartedOnLitScreen, StartedOnDimScreen, Cleared };

// Decides on a host event whether to start a showing or clear the presentation.
ShowingOutcome showVelorin();

// Stops the current view, detaches it and lets it go; nothing when there is none.
void clearAnimationView();

// Restarts the host's idle countdown through the interface that fits its system version.
void resetIdleTimer();

// Releases a keep-awake hold, if one is taken, and gives the idle countdown back to the host.
// For when the container goes: with nothing left to show in, no later decision would reach
// the off-power path that releases it, and the screen would stay lit off power.
void releaseKeepAwake();

} // namespace velorin
