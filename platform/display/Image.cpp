// Decoded images and their bookkeeping: every CGImage counts itself and its pixel bytes while
// it lives, so that tests and benchmarks can see leaks and the peak memory of a showing.

#include "platform/display/Image.h"

#include "platform/display/DisplayBookkeeping.h"

#include <algorithm>

namespace platform {

namespace {

struct ImageCounters {
    std::size_t liveImages{0};
    std::size_t liveBytes{0};
    std::size_t peakBytes{0};
};

ImageCounters& counters() {
    static ImageCounters instance;
    return instance;
}

} // namespace

namespace display {

void countImageBytes(std::size_t bytes) {
    auto& state = counters();
    state.liveBytes += bytes;
    state.peakBytes = std::max(state.peakBytes, state.liveBytes);
}

void uncountImageBytes(std::size_t bytes) {
    auto& state = counters();
    state.liveBytes -= std::min(bytes, state.liveBytes);
}

void countImage(int change) {
    auto& state = counters();
    if (change < 0 && state.liveImages == 0)
        return;
    state.liveImages = static_cast<std::size_t>(static_cast<long long>(state.liveImages) + change);
}

} // namespace display

ImageStatistics imageStatistics() {
    const auto& state = counters();
    return {state.liveImages, state.liveBytes, state.peakBytes};
}

void resetPeakImageBytes() {
    counters().peakBytes = counters().liveBytes;
}

Ref<CGImage> CGImage::create(std::uint32_t width, std::uint32_t height,
                             std::span<const std::uint8_t> pixels) {
    // Sized first and copied whole: a copy from iterators would construct the bytes one at a
    // time through the allocator.
    PixelBytes copy(pixels.size());
    std::copy(pixels.begin(), pixels.end(), copy.begin());
    return create(width, height, std::move(copy));
}

Ref<CGImage> CGImage::create(std::uint32_t width, std::uint32_t height, PixelBytes pixels) {
    if (width > maximumImageSide || height > maximumImageSide)
        return nullptr;
    if (pixels.size() != static_cast<std::size_t>(width) * height * 4)
        return nullptr;
    return Ref<CGImage>::adopt(new CGImage(width, height, std::move(pixels)));
}

Ref<CGImage> CGImage::createTransparent(std::uint32_t width, std::uint32_t height) {
    if (width > maximumImageSide || height > maximumImageSide)
        return nullptr;
    return create(width, height, PixelBytes(std::size_t{width} * height * 4, 0));
}

// Images are plain data to the runtime: they carry no class of their own.
CGImage::CGImage(std::uint32_t width, std::uint32_t height, PixelBytes pixels)
    : Object(nullptr), m_width(width), m_height(height), m_pixels(std::move(pixels)) {
    display::countImage(+1);
    display::countImageBytes(m_pixels.size());
}

CGImage::~CGImage() {
    display::uncountImageBytes(m_pixels.size());
    display::countImage(-1);
}

Ref<UIImage> UIImage::initWithData(std::span<const std::uint8_t> bytes) {
    return withCGImage(decodePng(bytes));
}

Ref<UIImage> UIImage::withCGImage(Ref<platform::CGImage> image) {
    if (!image)
        return nullptr;
    return Ref<UIImage>::adopt(new UIImage(std::move(image)));
}

UIImage::UIImage(Ref<platform::CGImage> image) : Object(nullptr), m_image(std::move(image)) {
}

UIImage::~UIImage() = default;

} // namespace platform
