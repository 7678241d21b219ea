#include "tools/import/sources/FrameOffer.h"

namespace velorin::tools {

common::Result<void> offerFrame(FrameConsumer& consumer, std::size_t index,
                                const FrameTiming& timing, std::uint32_t width,
                                std::uint32_t height, std::span<const std::uint8_t> pixels) {
    if (!consumer.wants(timing.start, timing.start + timing.duration))
        return {};
    CanvasFrame frame;
    frame.index = index;
    frame.start = timing.start;
    frame.duration = timing.duration;
    frame.width = width;
    frame.height = height;
    frame.pixels.assign(pixels.begin(), pixels.end());
    return consumer.take(frame);
}

std::string frameName(std::size_t index) {
    return "frame " + std::to_string(index + 1);
}

} // namespace velorin::tools
