// Pictures with hard edges, such as pixel art, and how they are enlarged.
//
// A picture has hard edges when it has few colours (at most 256) and next to none of the
// in-between shades that anti-aliasing puts on an edge: of the places where neighbouring pixels
// differ, fewer than one in ten is a pixel whose colour lies between the colours on either side
// of it. Such a picture enlarged with a smoothing filter gets blurred ramps on every edge, so it
// is enlarged by repeating pixels instead (nearest neighbour); a picture with soft edges, and
// any picture made smaller, is resized smoothly as before.
#pragma once

#include "tools/import/FrameBox.h"

#include <cstdint>
#include <span>
#include <vector>

namespace velorin::tools {

// `pixels`: `width` × `height` straight RGBA, rows top to bottom; both sides above 0.
bool hasHardEdges(std::span<const std::uint8_t> pixels, std::uint32_t width, std::uint32_t height);

// The filter for resizing a frame of `width` × `height` to `outputWidth` × `outputHeight`:
// nearest neighbour when it is enlarged (neither side made smaller) and has hard edges.
ResizeFilter chooseResizeFilter(std::span<const std::uint8_t> pixels, std::uint32_t width,
                                  std::uint32_t height, std::uint32_t outputWidth,
                                  std::uint32_t outputHeight);

// Each output pixel is the source pixel under its centre.
std::vector<std::uint8_t> nearestResizeRgba(std::span<const std::uint8_t> pixels,
                                            std::uint32_t width, std::uint32_t height,
                                            std::uint32_t outputWidth, std::uint32_t outputHeight);

} // namespace velorin::tools
