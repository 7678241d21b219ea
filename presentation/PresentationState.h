// What the presentation keeps between events: the container it shows in, the current animated
// view, the numbering of showings and the keep-awake hold.
//
// Every value exists once per process and is touched on the host's main thread only. The page
// update (in the integration layer) hands the container in; everything else here is written
// by the presentation itself.
#pragma once

#include "animation/AnimatedImageView.h"

#include <cstdint>

namespace velorin {

// The newest lock-screen container, or none until the page has first been built.
platform::UIView* containerView();
// Makes `container` the one the presentation shows in, releasing the previous one.
void setContainerView(platform::Ref<platform::UIView> container);

// The current animated view, or none. Only a showing that starts a view sets it, and only
// `clearAnimationView` clears it, so the container never holds more than one.
AnimatedImageView* animationView();

// While set, the host's backlight changes are dropped.
bool keepAwakeActive();

// Puts every value back as it is at load: no container, no view, no showing, no hold.
// References are let go without sending the views anything.
void resetPresentation();

namespace presentation {

// The state itself, for the presentation's own files.
struct State {
    platform::Ref<platform::UIView> container;
    platform::Ref<AnimatedImageView> animationView;
    // Numbers the showings; only the end of the newest one may act.
    std::uint64_t newestShowing{0};
    bool keepAwakeActive{false};
};

State& state();

} // namespace presentation

} // namespace velorin
