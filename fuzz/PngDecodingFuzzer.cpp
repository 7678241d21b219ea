// Feeds arbitrary bytes to the PNG decoder, as a frame file downloaded with a sequence. The
// decoder must refuse what it cannot read without a crash or a leak, and an image it does
// give back must keep the size limit and hold exactly width × height RGBA pixels.
//
// The decoder checks every chunk's CRC, so nearly every mutation of a chunk's contents is
// refused before its data is looked at. Each input is therefore decoded twice: as it is, and
// with the CRC of every whole chunk recomputed, so that mutations also reach the header
// checks, the compressed data and the colour conversions behind the checksums.
#include "platform/display/Image.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>
#include <zlib.h>

namespace {

constexpr std::size_t signatureLength = 8;

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

// A chunk is a 4-byte length, a 4-byte type, the data and a CRC of type and data. Chunks are
// mended from the first on, as long as each lies wholly within the bytes.
std::vector<std::uint8_t> withChecksumsMended(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> mended(bytes.begin(), bytes.end());
    std::size_t offset = signatureLength;
    while (mended.size() - offset >= 12) {
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

void decodeAndCheck(std::span<const std::uint8_t> bytes) {
    auto image = platform::decodePng(bytes);
    if (!image)
        return;
    if (image->width() == 0 || image->height() == 0 ||
        image->width() > platform::maximumImageSide || image->height() > platform::maximumImageSide)
        std::abort();
    if (image->pixels().size() != std::size_t{image->width()} * image->height() * 4)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> bytes(data, size);
    decodeAndCheck(bytes);
    if (size > signatureLength)
        decodeAndCheck(withChecksumsMended(bytes));
    return 0;
}
