// Chunk surgery shared by the PNG fuzz programs. A chunk is a 4-byte length, a 4-byte type, the
// data and a CRC of type and data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>
#include <zlib.h>

namespace fuzzing {

inline constexpr std::size_t pngSignatureLength = 8;

inline std::uint32_t readBigEndian(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

inline void writeBigEndian(std::uint8_t* bytes, std::uint32_t value) {
    for (int index = 0; index < 4; ++index)
        bytes[index] = static_cast<std::uint8_t>(value >> (24 - 8 * index));
}

// The decoder checks every chunk's CRC, so nearly every mutation of a chunk's contents is
// refused before its data is looked at. This gives the bytes with the CRC of every whole chunk
// recomputed, from the first on, as long as each lies wholly within the bytes, so that
// mutations also reach what lies behind the checksums.
inline std::vector<std::uint8_t> withChecksumsMended(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> mended(bytes.begin(), bytes.end());
    std::size_t offset = pngSignatureLength;
    while (mended.size() - offset >= 12) {
        std::size_t length = readBigEndian(mended.data() + offset);
        if (length > mended.size() - offset - 12)
            break;
        auto checksum = crc32(0, mended.data() + offset + 4, static_cast<uInt>(4 + length));
        writeBigEndian(mended.data() + offset + 8 + length, static_cast<std::uint32_t>(checksum));
        offset += 12 + length;
    }
    return mended;
}

} // namespace fuzzing
