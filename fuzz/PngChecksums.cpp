#include "fuzz/PngChecksums.h"

#include <zlib.h>

namespace velorin::fuzzing {

namespace {

std::uint32_t readBigEndian(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

void writeBigEndian(std::uint8_t* bytes, std::uint32_t value) {
    bytes[0] = static_cast<std::uint8_t>(value >> 24);
    bytes[1] = static_cast<std::uint8_t>(value >> 16);
    bytes[2] = static_cast<std::uint8_t>(value >> 8);
    bytes[3] = static_cast<std::uint8_t>(value);
}

} // namespace

// A chunk is a 4-byte length, a 4-byte type, the data and a CRC of type and data.
std::vector<std::uint8_t> withChecksumsMended(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> mended(bytes.begin(), bytes.end());
    std::size_t offset = pngSignatureLength;
    while (mended.size() >= offset && mended.size() - offset >= 12) {
        std::size_t length = readBigEndian(mended.data() + offset);
        if (length > mended.size() - offset - 12)
            break;
        const std::uint8_t* typeAndData = mended.data() + offset + 4;
        auto checksum = crc32(0, typeAndData, static_cast<uInt>(4 + length));
        writeBigEndian(mended.data() + offset + 8 + length, static_cast<std::uint32_t>(checksum));
        offset += 12 + length;
    }
    return mended;
}

} // namespace velorin::fuzzing
