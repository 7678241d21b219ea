// Frames from a WebP file, animated or still, read with libwebp's demuxer and animation
// decoder (FFmpeg does not read animated WebP).
//
// The frame timings come from the demuxer without decoding; the animation decoder then gives
// every frame composed on the full canvas, blended and disposed as the file says. The file is
// held in memory while the source lives, up to `maximumWebpFileBytes`.
#pragma once

#include "tools/import/sources/SourceFormats.h"

namespace velorin::tools {

inline constexpr std::size_t maximumWebpFileBytes = 256u * 1024 * 1024;

extern const SourceFormat webpFormat;

} // namespace velorin::tools
