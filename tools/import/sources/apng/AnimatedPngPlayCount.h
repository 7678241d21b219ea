// How often an animated PNG says it plays, read from its animation control chunk ("acTL"),
// which comes before the image data. FFmpeg decodes the file but does not tell. No pixels are
// read.
#pragma once

#include "tools/import/RunPlan.h"

#include <cstdint>
#include <span>

namespace velorin::tools {

// From the start of an animated PNG: its number of plays, 0 forever. None when the bytes are
// no PNG or have no animation control chunk before the image data.
PlayCount animatedPngPlayCount(std::span<const std::uint8_t> head);

} // namespace velorin::tools
