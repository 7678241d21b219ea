// GIF files: recognised by FFmpeg's guess, decoded with FFmpeg (with their transparency and
// disposal), and how often they play read from their looping extension (GifPlayCount.h).
#pragma once

#include "tools/import/sources/SourceFormats.h"

namespace velorin::tools {

bool isGif(const SourceHead& head);
common::Result<std::unique_ptr<MediaSource>> openGif(const SourceHead& head,
                                                     const SourceOpening& opening);

} // namespace velorin::tools
