// One rendered picture of the lock screen as plain bytes: opaque RGBA8, rows top to bottom.
//
// Unlike the display toolkit's images, a picture is no object of the platform and carries no
// count of references, so it may be handed to other threads: the preview draws each picture on
// its own thread and encodes it on others.
#pragma once

#include "platform/display/PixelBytes.h"

#include <cstdint>

namespace velorin::tools {

struct FramePixels {
    std::uint32_t width{0};
    std::uint32_t height{0};
    // width × height × 4 bytes; every alpha byte is 255.
    platform::PixelBytes rgba;

    const std::uint8_t* pixelAt(std::uint32_t x, std::uint32_t y) const {
        return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    }
};

} // namespace velorin::tools
