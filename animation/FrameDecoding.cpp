#include "animation/FrameDecoding.h"

#include "animation/FrameLoading.h"

namespace velorin {

std::vector<Ref<platform::CGImage>>
decodeFramesWithinBudget(const std::vector<std::string>& locations, std::size_t budgetBytes) {
    std::vector<Ref<platform::CGImage>> frames;
    frames.reserve(locations.size());
    std::size_t remaining = budgetBytes;
    for (const auto& location : locations) {
        auto bytes = readFrameFile(location);
        if (!bytes)
            continue;
        // A header the decoder would refuse (no pixels, or a side past its limit) is a frame
        // that fails, not one that does not fit: it is left out alone.
        auto size = platform::readPngSize(*bytes);
        if (!size || size->width == 0 || size->height == 0 ||
            size->width > platform::maximumImageSide || size->height > platform::maximumImageSide)
            continue;
        // Checked before the pixels are allocated: from here on nothing more is decoded.
        if (size->decodedBytes() > remaining)
            break;
        if (auto image = decodeFrame(*bytes)) {
            remaining -= size->decodedBytes();
            frames.push_back(std::move(image));
        }
    }
    return frames;
}

} // namespace velorin
