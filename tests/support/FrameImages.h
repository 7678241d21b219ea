// Frame files made in code for tests: PNG bytes of one colour, so that a test can tell which
// file a decoded frame came from by its first pixel.
#pragma once

#include "platform/display/Image.h"

#include <cstdint>
#include <vector>

namespace velorin::testing {

// PNG bytes of a `width` × `height` opaque image filled with one colour.
std::vector<std::uint8_t> solidPng(std::uint32_t width, std::uint32_t height, std::uint8_t red,
                                   std::uint8_t green = 0, std::uint8_t blue = 0);

// The red value of an image's first pixel.
std::uint8_t firstRed(const platform::CGImage& image);

} // namespace velorin::testing
