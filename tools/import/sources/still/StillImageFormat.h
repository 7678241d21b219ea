// Single still images (JPEG, BMP, TIFF): recognised by FFmpeg's guess and decoded with FFmpeg;
// the sequence is that one picture. A still PNG is read by the animated PNG row, a still WebP by
// the WebP row.
#pragma once

#include "tools/import/sources/SourceFormats.h"

namespace velorin::tools {

extern const SourceFormat stillImageFormat;

} // namespace velorin::tools
