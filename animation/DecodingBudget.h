// How much memory one showing may spend on decoded frames.
//
// The animated image view decodes every frame of a sequence before it starts and keeps them
// all while the animation plays, at width × height × 4 bytes a frame at the frames' own pixel
// size. Sequences are made to stay under this figure so that a long or large sequence cannot
// exhaust the host process's memory during a showing.
#pragma once

#include <cstddef>

namespace velorin {

inline constexpr std::size_t showingMemoryBudgetBytes = 512ull * 1024 * 1024;

} // namespace velorin
