// Resizing a frame for a sequence without dark or light fringes on its transparent edges.
//
// A transparent pixel's colour carries no weight: filtering straight (unpremultiplied) colour
// would blend the invisible colour of transparent pixels into the visible edge. The frame is
// therefore premultiplied, resized with pixman (an area-averaging separable convolution when
// it shrinks, bilinear when it grows) and unpremultiplied again for PNG.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace velorin::tools {

// `pixels`: `width` × `height` straight RGBA, rows top to bottom, no padding; both sides above
// 0. Gives `outputWidth` × `outputHeight` straight RGBA the same way.
std::vector<std::uint8_t> resizeRgba(std::span<const std::uint8_t> pixels, std::uint32_t width,
                                     std::uint32_t height, std::uint32_t outputWidth,
                                     std::uint32_t outputHeight);

} // namespace velorin::tools
