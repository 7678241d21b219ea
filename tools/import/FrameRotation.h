// Turning a decoded frame upright.
//
// Videos recorded on a phone are often stored sideways with a note to turn them when shown.
// Only quarter turns are made; a note asking for another angle is rounded to the nearest one.
#pragma once

#include <cstdint>
#include <vector>

namespace velorin::tools {

// The quarter turn, in clockwise degrees 0, 90, 180 or 270, nearest to `clockwiseDegrees`.
int nearestQuarterTurn(double clockwiseDegrees);

// `pixels` (`width` × `height` RGBA) turned clockwise by `quarterTurn` degrees (0, 90, 180 or
// 270); `width` and `height` become the turned frame's.
std::vector<std::uint8_t> turnClockwise(const std::vector<std::uint8_t>& pixels,
                                        std::uint32_t& width, std::uint32_t& height,
                                        int quarterTurn);

} // namespace velorin::tools
