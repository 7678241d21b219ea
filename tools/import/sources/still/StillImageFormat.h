// Single still images (PNG, JPEG, BMP, TIFF): recognised by FFmpeg's guess and decoded with
// FFmpeg; the sequence is that one picture. A still WebP is read by the WebP row.
#pragma once

#include "tools/import/sources/SourceFormats.h"

namespace velorin::tools {

extern const SourceFormat stillImageFormat;

} // namespace velorin::tools
