#include "tools/check/PngFileKind.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace velorin::tools {

namespace {

constexpr std::array<std::uint8_t, 8> pngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t bigEndian(std::span<const std::uint8_t> bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

bool isChunk(std::span<const std::uint8_t> type, std::string_view name) {
    return std::equal(type.begin(), type.end(), name.begin(), name.end());
}

} // namespace

PngFileKind pngFileKind(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < pngSignature.size() ||
        !std::equal(pngSignature.begin(), pngSignature.end(), bytes.begin()))
        return PngFileKind::NotPng;
    // Each chunk is its length, its type, its data and a check value; the animation control
    // chunk counts only before the first image data chunk.
    std::size_t offset = pngSignature.size();
    while (bytes.size() - offset >= 8) {
        std::uint64_t length = bigEndian(bytes.subspan(offset, 4));
        auto type = bytes.subspan(offset + 4, 4);
        if (isChunk(type, "acTL"))
            return PngFileKind::Animated;
        if (isChunk(type, "IDAT") || isChunk(type, "IEND"))
            break;
        std::uint64_t next = offset + 12 + length;
        if (next > bytes.size())
            break;
        offset = static_cast<std::size_t>(next);
    }
    return PngFileKind::Still;
}

} // namespace velorin::tools
