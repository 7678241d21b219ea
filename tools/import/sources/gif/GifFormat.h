// GIF files: recognised by FFmpeg's guess, decoded with FFmpeg (with their transparency and
// disposal), and how often they play read from their looping extension (GifPlayCount.h).
#pragma once

#include "tools/import/sources/SourceFormats.h"

namespace velorin::tools {

extern const SourceFormat gifFormat;

} // namespace velorin::tools
