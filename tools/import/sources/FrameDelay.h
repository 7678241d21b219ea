// How long a frame of an animated image lasts, from the delay its file gives.
//
// GIF, animated PNG and animated WebP all allow a delay of zero or a few milliseconds, which
// early browsers played as fast as they could. Every current browser (Firefox, Chromium and
// WebKit alike, and for all three formats) now shows a frame whose delay is 10 ms or less for
// 100 ms instead, and files on the web are made to look right under that rule. Import follows
// it, the same for every format, so that a file plays at the pace its author saw.
#pragma once

#include <cstdint>

namespace velorin::tools {

// What a frame delayed by this little or less lasts instead.
inline constexpr double shortestHonouredDelaySeconds = 0.010;
inline constexpr double tinyDelayReplacementSeconds = 0.100;

// The seconds a frame lasts whose file gives a delay of `numerator` / `denominator` seconds
// (a GIF's hundredths are n/100, a WebP's milliseconds n/1000). `denominator` is above 0.
double frameDelaySeconds(std::uint32_t numerator, std::uint32_t denominator);

} // namespace velorin::tools
