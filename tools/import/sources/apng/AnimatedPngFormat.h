// Animated PNG files: recognised by FFmpeg's guess, decoded with FFmpeg, and how often they
// play read from their animation control chunk (AnimatedPngPlayCount.h).
#pragma once

#include "tools/import/sources/SourceFormats.h"

namespace velorin::tools {

bool isAnimatedPng(const SourceHead& head);
common::Result<std::unique_ptr<MediaSource>> openAnimatedPng(const SourceHead& head,
                                                             const SourceOpening& opening);

} // namespace velorin::tools
