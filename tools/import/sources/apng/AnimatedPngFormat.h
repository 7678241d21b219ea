// Animated PNG files: recognised by FFmpeg's guess, decoded with FFmpeg, and how often they
// play read from their animation control chunk (AnimatedPngPlayCount.h).
#pragma once

#include "tools/import/sources/SourceFormats.h"

namespace velorin::tools {

extern const SourceFormat animatedPngFormat;

} // namespace velorin::tools
