// Every showing passes through here: the chosen sequence's folder and options give the
// animated view's place, size and run length, and a new view replaces the current one in the
// container when the device is locked and its screen is not dim.
#pragma once

#include "platform/display/Geometry.h"

#include <optional>
#include <string>

namespace velorin {

// What the controller read from the host just before a showing.
struct ScreenState {
    bool locked{false};
    bool dim{false};
};

// Forms the chosen sequence's folder, reads its options, computes the placement in the current
// container and starts a view there through `callBatteryAnimationView`. Gives the run length.
// A fault on the way (no memory for the options, the listing or the frames) leaves no view and
// gives the default run length; the caller's showing goes on.
float handleBatteryOptionsAndAnimate(ScreenState screen) noexcept;

// Replaces the current view with a new one at `frame`, playing the folder `directory` once in
// `duration` seconds, when the device is locked and the screen is not dim; otherwise nothing.
// No directory names no sequence: the view stays blank.
void callBatteryAnimationView(const platform::CGRect& frame, float duration,
                              std::optional<std::string> directory, ScreenState screen);

} // namespace velorin
