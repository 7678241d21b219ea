#include "tools/import/sources/apng/AnimatedPngPlayCount.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace velorin::tools {

namespace {

// Any count this high plays longer than anyone watches: it is as good as forever.
constexpr std::uint32_t mostPlaysCounted = 1000000;

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | bytes[3];
}

} // namespace

PlayCount animatedPngPlayCount(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (head.size() < sizeof signature || std::memcmp(head.data(), signature, 8) != 0)
        return std::nullopt;
    std::size_t at = sizeof signature;
    while (head.size() - at >= 12) {
        std::uint32_t length = bigEndian32(head.data() + at);
        std::string_view type(reinterpret_cast<const char*>(head.data() + at + 4), 4);
        if (type == "acTL" && length >= 8 && head.size() - at >= 16)
            return static_cast<int>(
                std::min<std::uint32_t>(bigEndian32(head.data() + at + 12), mostPlaysCounted));
        if (type == "IDAT" || length > head.size() - at - 12)
            break;
        at += 12 + static_cast<std::size_t>(length);
    }
    return std::nullopt;
}

} // namespace velorin::tools
