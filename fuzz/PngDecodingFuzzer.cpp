// Feeds arbitrary bytes to the PNG decoder, as a frame file downloaded with a sequence. The
// decoder must refuse what it cannot read without a crash or a leak, and an image it does
// give back must keep the size limit and hold exactly width × height RGBA pixels.
#include "platform/display/Image.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto image = platform::decodePng(std::span<const std::uint8_t>(data, size));
    if (!image)
        return 0;
    if (image->width() == 0 || image->height() == 0 ||
        image->width() > platform::maximumImageSide || image->height() > platform::maximumImageSide)
        std::abort();
    if (image->pixels().size() != std::size_t{image->width()} * image->height() * 4)
        std::abort();
    return 0;
}
