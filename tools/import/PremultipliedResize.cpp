#include "tools/import/PremultipliedResize.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <pixman.h>

namespace velorin::tools {

namespace {

// Sub-pixel positions of the convolution filter: 2^4 phases a pixel, plenty for frames.
constexpr int subsampleBits = 4;

struct ImageRelease {
    void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
};
using Image = std::unique_ptr<pixman_image_t, ImageRelease>;

std::uint32_t premultiplied(const std::uint8_t* rgba) {
    std::uint32_t alpha = rgba[3];
    auto channel = [alpha](std::uint32_t value) { return (value * alpha + 127) / 255; };
    return alpha << 24 | channel(rgba[0]) << 16 | channel(rgba[1]) << 8 | channel(rgba[2]);
}

void writeStraight(std::uint32_t pixel, std::uint8_t* rgba) {
    std::uint32_t alpha = pixel >> 24;
    auto channel = [alpha](std::uint32_t value) -> std::uint8_t {
        if (alpha == 0)
            return 0;
        return static_cast<std::uint8_t>(
            std::min<std::uint32_t>(255, (value * 255 + alpha / 2) / alpha));
    };
    rgba[0] = channel(pixel >> 16 & 0xff);
    rgba[1] = channel(pixel >> 8 & 0xff);
    rgba[2] = channel(pixel & 0xff);
    rgba[3] = static_cast<std::uint8_t>(alpha);
}

void chooseFilter(pixman_image_t* source, double shrinkX, double shrinkY) {
    if (shrinkX <= 1 && shrinkY <= 1) {
        pixman_image_set_filter(source, PIXMAN_FILTER_GOOD, nullptr, 0);
        return;
    }
    // A box the size of a source pixel, then a box the size of an output pixel: each output
    // pixel averages the source area it covers.
    int count = 0;
    pixman_fixed_t* parameters = pixman_filter_create_separable_convolution(
        &count, pixman_double_to_fixed(std::max(shrinkX, 1.0)),
        pixman_double_to_fixed(std::max(shrinkY, 1.0)), PIXMAN_KERNEL_BOX, PIXMAN_KERNEL_BOX,
        PIXMAN_KERNEL_BOX, PIXMAN_KERNEL_BOX, subsampleBits, subsampleBits);
    pixman_image_set_filter(source, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, parameters, count);
    std::free(parameters);
}

} // namespace

std::vector<std::uint8_t> resizeRgba(std::span<const std::uint8_t> pixels, std::uint32_t width,
                                     std::uint32_t height, std::uint32_t outputWidth,
                                     std::uint32_t outputHeight) {
    std::size_t count = static_cast<std::size_t>(width) * height;
    std::vector<std::uint32_t> source(count);
    for (std::size_t pixel = 0; pixel < count; ++pixel)
        source[pixel] = premultiplied(pixels.data() + pixel * 4);
    std::vector<std::uint32_t> output(static_cast<std::size_t>(outputWidth) * outputHeight);
    Image sourceImage(pixman_image_create_bits(PIXMAN_a8r8g8b8, static_cast<int>(width),
                                               static_cast<int>(height), source.data(),
                                               static_cast<int>(width * 4)));
    Image outputImage(pixman_image_create_bits(PIXMAN_a8r8g8b8, static_cast<int>(outputWidth),
                                               static_cast<int>(outputHeight), output.data(),
                                               static_cast<int>(outputWidth * 4)));
    double shrinkX = static_cast<double>(width) / outputWidth;
    double shrinkY = static_cast<double>(height) / outputHeight;
    pixman_transform_t transform;
    pixman_transform_init_scale(&transform, pixman_double_to_fixed(shrinkX),
                                pixman_double_to_fixed(shrinkY));
    pixman_image_set_transform(sourceImage.get(), &transform);
    // Edge pixels extend outwards, so the border is not faded by empty space beyond it.
    pixman_image_set_repeat(sourceImage.get(), PIXMAN_REPEAT_PAD);
    chooseFilter(sourceImage.get(), shrinkX, shrinkY);
    pixman_image_composite32(PIXMAN_OP_SRC, sourceImage.get(), nullptr, outputImage.get(), 0, 0, 0,
                             0, 0, 0, static_cast<int>(outputWidth),
                             static_cast<int>(outputHeight));
    std::vector<std::uint8_t> result(output.size() * 4);
    for (std::size_t pixel = 0; pixel < output.size(); ++pixel)
        writeStraight(output[pixel], result.data() + pixel * 4);
    return result;
}

} // namespace velorin::tools
