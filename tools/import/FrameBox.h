// The size of an imported sequence: the box it is shown in, in points, and its frames' size
// in pixels.
//
// The box is the one asked for, or 150 points wide; a side that is not given follows the
// source's proportions. Frames are made at three pixels a point, as the device's screen shows
// them, or at a lower scale when the memory budget asks for it.
#pragma once

#include <cstdint>
#include <optional>

namespace velorin::tools {

inline constexpr double defaultBoxWidthPoints = 150;
inline constexpr double importScale = 3;

struct BoxRequest {
    std::optional<double> widthPoints;
    std::optional<double> heightPoints;
};

struct PointBox {
    double width{0};
    double height{0};
};

struct PixelSize {
    std::uint32_t width{0};
    std::uint32_t height{0};
};

// How a source's pixels are brought to the size of the frames: smoothly (averaging when they
// shrink), or each frame pixel from the nearest source pixel.
enum class ResizeFilter { Smooth, NearestNeighbour };

// The box for a source of `sourceWidth` × `sourceHeight` pixels (both above 0). A side that
// follows the source's proportions is rounded to a hundredth of a point.
PointBox chooseBox(const BoxRequest& request, std::uint32_t sourceWidth,
                   std::uint32_t sourceHeight);

// The box's size in pixels at `scale`, each side rounded and at least 1; a side that would pass
// the largest the device decodes (or that is not a number) gives none.
std::optional<PixelSize> pixelSizeAt(const PointBox& box, double scale);

} // namespace velorin::tools
