// Turning a decoded frame upright.
//
// Videos recorded on a phone are often stored sideways with a note (the display matrix) to turn
// them when shown, and a front camera's recording may ask to be mirrored as well. Only quarter
// turns are made; a note asking for another angle is rounded to the nearest one.
#pragma once

#include <cstdint>
#include <vector>

namespace velorin::tools {

// The quarter turn, in clockwise degrees 0, 90, 180 or 270, nearest to `clockwiseDegrees`.
int nearestQuarterTurn(double clockwiseDegrees);

enum class Mirroring { None, LeftToRight };

// How a decoded frame is made upright: turned clockwise, then mirrored left to right.
struct FrameOrientation {
    int clockwiseQuarterTurn{0};
    Mirroring mirroring{Mirroring::None};

    bool changesNothing() const {
        return clockwiseQuarterTurn == 0 && mirroring == Mirroring::None;
    }
};

// The orientation a display matrix asks for, given the clockwise turn `clockwiseDegrees` that
// FFmpeg reads from it and its nine entries: a mirrored matrix shows in the signs of its
// entries, which the turn alone does not tell apart from a half turn.
FrameOrientation uprightOrientation(double clockwiseDegrees, const std::int32_t (&matrix)[9]);

// `pixels` (`width` × `height` RGBA) turned clockwise by `quarterTurn` degrees (0, 90, 180 or
// 270); `width` and `height` become the turned frame's.
std::vector<std::uint8_t> turnClockwise(const std::vector<std::uint8_t>& pixels,
                                        std::uint32_t& width, std::uint32_t& height,
                                        int quarterTurn);

// `pixels` (`width` × `height` RGBA) as `orientation` asks; `width` and `height` become the
// result's.
std::vector<std::uint8_t> orientUpright(const std::vector<std::uint8_t>& pixels,
                                        std::uint32_t& width, std::uint32_t& height,
                                        FrameOrientation orientation);

} // namespace velorin::tools
