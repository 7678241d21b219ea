#include "tests/support/FrameImages.h"

#include <stdexcept>

namespace velorin::testing {

std::vector<std::uint8_t> solidPng(std::uint32_t width, std::uint32_t height, std::uint8_t red,
                                   std::uint8_t green, std::uint8_t blue) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t index = 0; index < pixels.size(); index += 4) {
        pixels[index] = red;
        pixels[index + 1] = green;
        pixels[index + 2] = blue;
        pixels[index + 3] = 255;
    }
    auto image = platform::CGImage::create(width, height, std::move(pixels));
    if (!image)
        throw std::runtime_error("cannot make a test frame");
    auto bytes = platform::encodePng(*image);
    if (bytes.empty())
        throw std::runtime_error("cannot encode a test frame");
    return bytes;
}

std::uint8_t firstRed(const platform::CGImage& image) {
    return image.pixels().at(0);
}

} // namespace velorin::testing
