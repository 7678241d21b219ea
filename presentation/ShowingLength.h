// How long one showing of a sequence lasts, whatever the sequence's own run length: the
// presentation ends every showing this long after it starts. The simulator's checks and the
// tools (import's run plan, check's warnings) take the figure from here.
#pragma once

#include <cstdint>

namespace velorin {

inline constexpr double showingLengthSeconds = 4.0;
inline constexpr std::int64_t showingLengthNanoseconds =
    static_cast<std::int64_t>(showingLengthSeconds * 1e9);

} // namespace velorin
