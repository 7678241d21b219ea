#include "tools/import/FrameRotation.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace velorin::tools {

int nearestQuarterTurn(double clockwiseDegrees) {
    if (!std::isfinite(clockwiseDegrees))
        return 0;
    long quarters = std::lround(clockwiseDegrees / 90);
    return static_cast<int>(((quarters % 4) + 4) % 4) * 90;
}

FrameOrientation uprightOrientation(double clockwiseDegrees, const std::int32_t (&matrix)[9]) {
    // The entries read here are those of the first two rows and columns: a (0), c (3) and d (4)
    // in the matrix's row-major order. A pure turn has a and d equal and b and c opposite;
    // mirroring a column flips the sign of one of them.
    const int turn = nearestQuarterTurn(clockwiseDegrees);
    switch (turn) {
    case 90:
        // A transposition reads as a quarter turn whose c is positive.
        return {90, matrix[3] > 0 ? Mirroring::LeftToRight : Mirroring::None};
    case 270:
        return {270, matrix[3] < 0 ? Mirroring::LeftToRight : Mirroring::None};
    case 180: {
        // A half turn is a mirror left to right and one top to bottom; either alone is a mirror.
        bool acrossColumns = matrix[0] < 0;
        bool acrossRows = matrix[4] < 0;
        if (acrossColumns && acrossRows)
            return {180, Mirroring::None};
        if (acrossColumns)
            return {0, Mirroring::LeftToRight};
        if (acrossRows)
            return {180, Mirroring::LeftToRight};
        return {};
    }
    default:
        // Upside down mirrored, which is a half turn mirrored left to right.
        return matrix[4] < 0 ? FrameOrientation{180, Mirroring::LeftToRight} : FrameOrientation{};
    }
}

std::vector<std::uint8_t> turnClockwise(const std::vector<std::uint8_t>& pixels,
                                        std::uint32_t& width, std::uint32_t& height,
                                        int quarterTurn) {
    if (quarterTurn != 90 && quarterTurn != 180 && quarterTurn != 270)
        return pixels;
    std::uint32_t turnedWidth = quarterTurn == 180 ? width : height;
    std::uint32_t turnedHeight = quarterTurn == 180 ? height : width;
    std::vector<std::uint8_t> turned(pixels.size());
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint32_t toX = x;
            std::uint32_t toY = y;
            if (quarterTurn == 90) {
                toX = height - 1 - y;
                toY = x;
            } else if (quarterTurn == 180) {
                toX = width - 1 - x;
                toY = height - 1 - y;
            } else {
                toX = y;
                toY = width - 1 - x;
            }
            std::memcpy(turned.data() + (static_cast<std::size_t>(toY) * turnedWidth + toX) * 4,
                        pixels.data() + (static_cast<std::size_t>(y) * width + x) * 4, 4);
        }
    }
    width = turnedWidth;
    height = turnedHeight;
    return turned;
}

std::vector<std::uint8_t> orientUpright(const std::vector<std::uint8_t>& pixels,
                                        std::uint32_t& width, std::uint32_t& height,
                                        FrameOrientation orientation) {
    std::vector<std::uint8_t> turned =
        turnClockwise(pixels, width, height, orientation.clockwiseQuarterTurn);
    if (orientation.mirroring == Mirroring::None)
        return turned;
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* row = turned.data() + static_cast<std::size_t>(y) * width * 4;
        for (std::uint32_t left = 0; left < width / 2; ++left)
            std::swap_ranges(row + left * 4, row + left * 4 + 4, row + (width - 1 - left) * 4);
    }
    return turned;
}

} // namespace velorin::tools
