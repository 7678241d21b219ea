// The one rule for every way into the extension: the host is never stopped by it.
//
// The host reaches the extension through its load-time initializer, its exported functions and
// class, the replaced host methods, the settings notification and the blocks it queues on the
// main queue. Each of those runs its body through `atBoundary`, which catches everything the
// body throws (running out of memory included) and gives a fallback instead: the extension
// then does nothing more, as it does for every other failure, and the host goes on.
#pragma once

#include <utility>

namespace velorin {

// Runs `body`; when it throws, the throw ends there and nothing more happens.
template <typename Body>
void atBoundary(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (...) {
    }
}

// Runs `body` and gives its result, or `fallback` when it throws.
template <typename Result, typename Body>
Result atBoundary(Body&& body, Result fallback) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return fallback;
    }
}

} // namespace velorin
