// How often an animated GIF says it plays, read from the file's opening blocks: its looping
// extension ("NETSCAPE2.0" or "ANIMEXTS1.0"), which must come before its first image. No
// pixels are read.
#pragma once

#include "tools/import/RunPlan.h"

#include <cstdint>
#include <span>

namespace velorin::tools {

// From the start of a GIF: without a looping extension it plays once; a loop count N repeats
// it N more times (FFmpeg's meaning), 0 forever. None when the bytes are no GIF.
PlayCount gifPlayCount(std::span<const std::uint8_t> head);

} // namespace velorin::tools
