// A picture's size in pixels, as the commands that read, check and make frames speak of it.
#pragma once

#include <cstdint>

namespace velorin::tools {

struct PixelSize {
    std::uint32_t width{0};
    std::uint32_t height{0};
    bool operator==(const PixelSize&) const = default;
};

} // namespace velorin::tools
