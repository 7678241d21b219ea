// Feeds arbitrary bytes to the PNG decoder, as a frame file downloaded with a sequence. The
// decoder must refuse what it cannot read without a crash or a leak, and an image it does
// give back must keep the size limit and hold exactly width × height RGBA pixels.
//
// The decoder checks every chunk's CRC, so nearly every mutation of a chunk's contents is
// refused before its data is looked at. Each input is therefore decoded twice: as it is, and
// with the CRC of every whole chunk recomputed, so that mutations also reach the header
// checks, the compressed data and the colour conversions behind the checksums.
#include "fuzz/PngChunks.h"
#include "platform/display/Image.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

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
    if (size > fuzzing::pngSignatureLength)
        decodeAndCheck(fuzzing::withChecksumsMended(bytes));
    return 0;
}
