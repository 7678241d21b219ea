// A tiny bitmap font for the times under the contact sheet's tiles: the digits, the period,
// the letter "s" and the space, each five cells wide and seven high.
//
// It draws opaque blocks of whole pixels into an RGBA image, so the text is crisp at any
// size and needs no font files. Any other character is drawn as a space.
#pragma once

#include "platform/display/Image.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace velorin::tools {

using TextColor = std::array<std::uint8_t, 4>;

// The size in pixels of `text` when each cell of the font is `cellSize` pixels square.
std::uint32_t textWidth(std::string_view text, std::uint32_t cellSize);
std::uint32_t textHeight(std::uint32_t cellSize);

// Draws `text` with its top left corner at `left`, `top`; what falls outside the image is
// left out.
void drawText(platform::CGImage& image, std::uint32_t left, std::uint32_t top,
              std::string_view text, std::uint32_t cellSize, const TextColor& color);

} // namespace velorin::tools
