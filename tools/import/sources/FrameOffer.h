// Hands a frame of a source's timeline to the consumer, when the consumer wants it: the one
// place where a reader's canvas becomes a CanvasFrame, copied only then. And the name the
// readers' messages give a frame.
#pragma once

#include "tools/import/MediaSource.h"

#include <span>

namespace velorin::tools {

// `pixels`: width × height straight RGBA.
common::Result<void> offerFrame(FrameConsumer& consumer, std::size_t index,
                                const FrameTiming& timing, std::uint32_t width,
                                std::uint32_t height, std::span<const std::uint8_t> pixels);

// "frame 3" for the frame at `index` (counted from 0).
std::string frameName(std::size_t index);

} // namespace velorin::tools
