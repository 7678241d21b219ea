// How much decoded frame memory one showing may hold.
//
// A showing keeps every decoded frame until it ends, at width × height × 4 bytes each. The
// budget keeps the host's own memory well clear of what a phone grants its lock-screen process,
// while holding about 1,400 frames of 300², 370 of 600², or 45 full-screen frames of
// 1170 × 2532 (a full-screen theme of 60 such frames plays its first 45). Frames are admitted
// in playing order; the first frame that does not fit, and every frame after it, are left out,
// as unreadable frames are.
#pragma once

#include <cstddef>

namespace velorin {

inline constexpr std::size_t showingMemoryBudgetBytes = 512ull * 1024 * 1024;

} // namespace velorin
