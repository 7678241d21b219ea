// The size of an imported sequence: the box it is shown in, in points, and its frames' size
// in pixels.
//
// The box is the one asked for, or 150 points wide; a side that is not given follows the
// source's proportions. Frames are made at three pixels a point, as the device's screen shows
// them, unless the source has fewer pixels than that and no size was asked for (it keeps its
// own pixels), or at a lower scale when the memory budget asks for it.
#pragma once

#include "tools/common/PixelSize.h"

#include <cstdint>
#include <optional>

namespace velorin::tools {

inline constexpr double defaultBoxWidthPoints = 150;
inline constexpr double importScale = 3;

struct BoxRequest {
    std::optional<double> widthPoints;
    std::optional<double> heightPoints;
    // Pixels a point of the frames.
    std::optional<double> scale;
};

// Whether a source has pixels of its own, or is drawn at any size from vectors.
enum class SourcePixels { Raster, Vector };

struct PointBox {
    double width{0};
    double height{0};
};

// How a source's pixels are brought to the size of the frames: smoothly (averaging when they
// shrink), or each frame pixel from the nearest source pixel.
enum class ResizeFilter { Smooth, NearestNeighbour };

// The box for a source of `sourceWidth` × `sourceHeight` pixels (both above 0). A side that
// follows the source's proportions is rounded to a hundredth of a point.
PointBox chooseBox(const BoxRequest& request, std::uint32_t sourceWidth,
                   std::uint32_t sourceHeight);

// The scale the frames are made at: the one asked for; three pixels a point when a side of the
// box is asked for or the source is drawn from vectors; otherwise, for a source with fewer
// pixels across the box than three a point, its own pixels, so that it is not enlarged (the
// box stays as it is, and the device shows the frames at the box's size).
double chooseScale(const BoxRequest& request, const PointBox& box, std::uint32_t sourceWidth,
                   SourcePixels pixels);

// The box's size in pixels at `scale`, each side rounded and at least 1; a side that would pass
// the largest the device decodes (or that is not a number) gives none.
std::optional<PixelSize> pixelSizeAt(const PointBox& box, double scale);

} // namespace velorin::tools
