#include "tools/import/FrameRotation.h"

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

} // namespace velorin::tools
