// Short videos in the MP4/MOV family or Matroska/WebM: recognised by FFmpeg's guess and decoded
// with FFmpeg, turned and mirrored upright as the video asks; any sound is left out. A video
// does not say how often it plays.
#pragma once

#include "tools/import/sources/SourceFormats.h"

namespace velorin::tools {

bool isVideo(const SourceHead& head);
common::Result<std::unique_ptr<MediaSource>> openVideo(const SourceHead& head,
                                                       const SourceOpening& opening);

} // namespace velorin::tools
