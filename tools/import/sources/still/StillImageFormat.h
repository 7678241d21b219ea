// Single still images (PNG, JPEG, BMP, TIFF): recognised by FFmpeg's guess and decoded with
// FFmpeg; the sequence is that one picture. A still WebP is read by the WebP row.
#pragma once

#include "tools/import/sources/SourceFormats.h"

namespace velorin::tools {

bool isStillImage(const SourceHead& head);
common::Result<std::unique_ptr<MediaSource>> openStillImage(const SourceHead& head,
                                                            const SourceOpening& opening);

} // namespace velorin::tools
