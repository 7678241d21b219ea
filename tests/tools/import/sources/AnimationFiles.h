// GIF and animated PNG files written byte by byte for the readers' tests, so that a test can
// make exactly the file a rule is about: any screen and frame sizes and places, any disposal,
// blend and delay, colour tables present or not, damaged or out-of-order chunks, files cut
// short.
#pragma once

#include "tests/tools/import/TestMedia.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velorin::testing {

struct GifFrameLayout {
    std::uint16_t left{0};
    std::uint16_t top{0};
    std::uint16_t width{1};
    std::uint16_t height{1};
    // Palette indices, row by row from the top (the writer interlaces them when asked).
    std::vector<std::uint8_t> indices;
    std::optional<std::vector<Color>> localPalette;
    bool interlaced{false};
    // A graphic control extension is written unless `withControl` is false.
    bool withControl{true};
    std::uint8_t disposal{0};
    std::uint16_t delayHundredths{10};
    std::optional<std::uint8_t> transparentIndex;
};

struct GifLayout {
    std::uint16_t width{1};
    std::uint16_t height{1};
    std::optional<std::vector<Color>> globalPalette;
    std::vector<GifFrameLayout> frames;
};

// A GIF89a file; its LZW data holds each pixel as a code of its own.
std::string gifBytes(const GifLayout& layout);
// A frame of one palette index everywhere.
GifFrameLayout filledGifFrame(std::uint16_t left, std::uint16_t top, std::uint16_t width,
                              std::uint16_t height, std::uint8_t index);

struct PngChunk {
    std::string type;
    std::vector<std::uint8_t> data;
    bool damagedChecksum{false};
};

std::string pngBytes(const std::vector<PngChunk>& chunks);

PngChunk pngHeader(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth = 8,
                   std::uint8_t colorType = 6);
PngChunk animationControl(std::uint32_t frames, std::uint32_t plays = 0);
PngChunk frameControl(std::uint32_t sequence, std::uint32_t width, std::uint32_t height,
                      std::uint32_t left = 0, std::uint32_t top = 0,
                      std::uint16_t delayNumerator = 1, std::uint16_t delayDenominator = 10,
                      std::uint8_t disposal = 0, std::uint8_t blend = 0);
// Compressed picture data of raw rows (`rowBytes` each, without filter bytes).
std::vector<std::uint8_t> compressedRows(const std::vector<std::uint8_t>& raw, std::size_t rowBytes);
// The compressed data of an 8-bit RGBA picture.
std::vector<std::uint8_t> compressedPicture(const Picture& picture);
PngChunk imageData(const std::vector<std::uint8_t>& compressed);
PngChunk frameData(std::uint32_t sequence, const std::vector<std::uint8_t>& compressed);
PngChunk endChunk();

void writeBytes(const std::filesystem::path& path, const std::string& bytes);

} // namespace velorin::testing
