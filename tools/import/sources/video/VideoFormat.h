// Short videos in the MP4/MOV family or Matroska/WebM: recognised by FFmpeg's guess and decoded
// with FFmpeg, turned and mirrored upright as the video asks; any sound is left out. A video
// does not say how often it plays.
#pragma once

#include "tools/import/sources/SourceFormats.h"

namespace velorin::tools {

extern const SourceFormat videoFormat;

} // namespace velorin::tools
