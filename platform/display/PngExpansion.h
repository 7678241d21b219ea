// The one set of libpng transformations that turns any PNG, of every colour type and bit depth,
// into straight RGBA with 8 bits a channel: 16-bit samples scaled with rounding, palettes and
// grey expanded, a transparency chunk made into alpha, opaque pictures given an opaque alpha,
// interlaced ones put together. The toolkit's decoder and the tools' readers of animated PNG
// frames decode with it, so that both give a file the same pixels.
#pragma once

#include "platform/Export.h"

#include <png.h>

namespace platform {

// Call after png_read_info and before png_read_update_info.
VELORIN_EXPORT void expandPngToRgba8(png_structp png, png_infop info);

} // namespace platform
