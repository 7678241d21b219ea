// The platform's PNG decoder in its two parts, for the tests, fuzz programs and benchmark that
// hold the fast path against libpng, and the switch that turns the fast path off.
//
// `decodePng` and `decodePngPixels` (Image.h) try the fast path first and give any file it
// hands over to libpng. The route is process-wide; it starts as the fast path first, or as
// libpng alone when the environment holds VELORIN_PNG_FAST_PATH=off.
#pragma once

#include "platform/Export.h"
#include "platform/display/Image.h"
#include "platform/display/PngUnfilter.h"

#include <cstdint>
#include <optional>
#include <span>

namespace platform {

enum class PngDecoderRoute { FastPathFirst, LibpngOnly };
VELORIN_EXPORT void setPngDecoderRoute(PngDecoderRoute route);
VELORIN_EXPORT PngDecoderRoute pngDecoderRoute();

struct DecodedPng {
    PngSize size;
    // RGBA8, straight alpha, rows top to bottom.
    PixelBytes pixels;
};

// libpng alone: none for a file it refuses.
VELORIN_EXPORT std::optional<DecodedPng> decodePngWithLibpng(std::span<const std::uint8_t> bytes);

// The fast path alone, unfiltering with `kernel`: none for a file it hands over.
VELORIN_EXPORT std::optional<DecodedPng> decodePngWithFastPath(std::span<const std::uint8_t> bytes,
                                                              png::UnfilterKernel kernel);

} // namespace platform
