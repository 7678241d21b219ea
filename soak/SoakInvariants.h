// What must hold on the lock screen after every event of a soak run, checked from the host's
// side: through the page's view tree and the display toolkit's live counters, never through
// the extension's own state, which the host cannot see.
//
// The page must hold at most one container (a view with the container's tag) and at most one
// animated view, and that view only inside the container on the page. Every view, layer,
// animation and decoded image alive must be reachable from the page: through children,
// layers, their animations' frames, their contents and image views' images. The one other
// holder the extension may have is the showing still running: when a settings change takes
// its container off the page, its animated view stays alive until the showing ends. So the
// caller says whether objects off the page are allowed at the moment: they are while an end
// of a showing is pending, and never just after one has acted. Objects alive before the host
// was built belong to others and are left out through a baseline.
#pragma once

#include "platform/display/View.h"

#include <cstddef>
#include <optional>
#include <string>

namespace velorin::soak {

enum class Invariant {
    OneAnimatedView,
    AnimatedViewInContainer,
    OneContainer,
    OneActingEnd,
    KeepAwakeOnlyOnPower,
    NothingUnreachable,
};

// The invariant in words, for reports.
const char* describe(Invariant invariant);

struct InvariantBreach {
    Invariant invariant;
    // What was found, in words.
    std::string detail;
};

// Live objects of the display toolkit, process-wide.
struct LiveObjects {
    std::size_t views{0};
    std::size_t layers{0};
    std::size_t animations{0};
    std::size_t images{0};
    std::size_t imageBytes{0};

    static LiveObjects now();
    bool operator==(const LiveObjects&) const = default;
};

enum class OffPageObjects { Allowed, Forbidden };

// The first breach found on the page, or none. `alreadyAlive` are the objects that lived
// before the page was built.
std::optional<InvariantBreach> checkPage(const platform::UIView& page,
                                         const LiveObjects& alreadyAlive, OffPageObjects offPage);

// After the host is gone, nothing it or the extension made may be alive.
std::optional<InvariantBreach> checkNothingLeft(const LiveObjects& alreadyAlive);

} // namespace velorin::soak
