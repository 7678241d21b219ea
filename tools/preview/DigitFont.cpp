#include "tools/preview/DigitFont.h"

#include <algorithm>
#include <cstddef>

namespace velorin::tools {

namespace {

constexpr std::uint32_t glyphColumns = 5;
constexpr std::uint32_t glyphRows = 7;
// Blank cells between two characters.
constexpr std::uint32_t glyphGap = 1;

// One row per entry, the leftmost cell in the highest of the five bits.
using Glyph = std::array<std::uint8_t, glyphRows>;

const Glyph* glyphFor(char character) {
    static const Glyph digits[10] = {
        {0b01110, 0b10001, 0b10011, 0b10101, 0b11001, 0b10001, 0b01110}, // 0
        {0b00100, 0b01100, 0b00100, 0b00100, 0b00100, 0b00100, 0b01110}, // 1
        {0b01110, 0b10001, 0b00001, 0b00010, 0b00100, 0b01000, 0b11111}, // 2
        {0b11111, 0b00010, 0b00100, 0b00010, 0b00001, 0b10001, 0b01110}, // 3
        {0b00010, 0b00110, 0b01010, 0b10010, 0b11111, 0b00010, 0b00010}, // 4
        {0b11111, 0b10000, 0b11110, 0b00001, 0b00001, 0b10001, 0b01110}, // 5
        {0b00110, 0b01000, 0b10000, 0b11110, 0b10001, 0b10001, 0b01110}, // 6
        {0b11111, 0b00001, 0b00010, 0b00100, 0b01000, 0b01000, 0b01000}, // 7
        {0b01110, 0b10001, 0b10001, 0b01110, 0b10001, 0b10001, 0b01110}, // 8
        {0b01110, 0b10001, 0b10001, 0b01111, 0b00001, 0b00010, 0b01100}, // 9
    };
    static const Glyph period = {0, 0, 0, 0, 0, 0b01100, 0b01100};
    static const Glyph letterS = {0, 0, 0b01111, 0b10000, 0b01110, 0b00001, 0b11110};
    if (character >= '0' && character <= '9')
        return &digits[character - '0'];
    if (character == '.')
        return &period;
    if (character == 's')
        return &letterS;
    return nullptr;
}

void fillCell(platform::CGImage& image, std::uint32_t left, std::uint32_t top,
              std::uint32_t cellSize, const TextColor& color) {
    std::uint32_t right = std::min(left + cellSize, image.width());
    std::uint32_t bottom = std::min(top + cellSize, image.height());
    auto pixels = image.mutablePixels();
    for (std::uint32_t y = top; y < bottom; ++y) {
        for (std::uint32_t x = left; x < right; ++x) {
            std::size_t offset = (static_cast<std::size_t>(y) * image.width() + x) * 4;
            std::copy(color.begin(), color.end(), pixels.begin() + static_cast<long>(offset));
        }
    }
}

} // namespace

std::uint32_t textWidth(std::string_view text, std::uint32_t cellSize) {
    if (text.empty())
        return 0;
    auto count = static_cast<std::uint32_t>(text.size());
    return (count * (glyphColumns + glyphGap) - glyphGap) * cellSize;
}

std::uint32_t textHeight(std::uint32_t cellSize) {
    return glyphRows * cellSize;
}

void drawText(platform::CGImage& image, std::uint32_t left, std::uint32_t top,
              std::string_view text, std::uint32_t cellSize, const TextColor& color) {
    std::uint32_t characterLeft = left;
    for (char character : text) {
        if (const Glyph* glyph = glyphFor(character)) {
            for (std::uint32_t row = 0; row < glyphRows; ++row) {
                for (std::uint32_t column = 0; column < glyphColumns; ++column) {
                    if ((*glyph)[row] & (1u << (glyphColumns - 1 - column)))
                        fillCell(image, characterLeft + column * cellSize, top + row * cellSize,
                                 cellSize, color);
                }
            }
        }
        characterLeft += (glyphColumns + glyphGap) * cellSize;
    }
}

} // namespace velorin::tools
