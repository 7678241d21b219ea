// The chunk structure of a PNG or animated PNG file, read and checked without decoding pixels.
//
// The reader walks every chunk once, checks the checksums of the chunks it uses, and decides
// what a browser shows:
// - a file with no animation control chunk (acTL) before its image data is a still image;
// - an animation is played only when it is valid: the frame control (fcTL) and frame data
//   (fdAT) chunks share one sequence of numbers from 0 without gap, repeat or reordering;
//   every frame has a control chunk before its data and some data; the control chunk of a
//   frame shown from the image data comes before that data and covers the whole image, the
//   others lie within it; the operations are known ones; there is one acTL, and its frame
//   count, between 1 and 2^31 − 1, equals the frames present. Otherwise the still default
//   image is shown instead, and `invalidAnimation` says why;
// - a frame control chunk may come before the acTL, as browsers accept it.
// A file that ends before its end chunk is cut short: its whole frames are kept and `lost`
// says what went missing.
#pragma once

#include "common/Interruption.h"
#include "common/Result.h"
#include "tools/import/MediaSource.h"
#include "tools/import/sources/SourceFile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velorin::tools {

struct PngHeader {
    std::uint32_t width{0};
    std::uint32_t height{0};
    std::uint8_t bitDepth{0};
    std::uint8_t colorType{0};
    std::uint8_t interlace{0};
    // The chunk's 13 data bytes.
    std::array<std::uint8_t, 13> bytes{};
};

enum class ApngDisposal : std::uint8_t { None = 0, Background = 1, Previous = 2 };
enum class ApngBlend : std::uint8_t { Source = 0, Over = 1 };

struct ApngFrame {
    std::uint32_t width{0};
    std::uint32_t height{0};
    std::uint32_t left{0};
    std::uint32_t top{0};
    std::uint16_t delayNumerator{0};
    std::uint16_t delayDenominator{0};
    ApngDisposal disposal{ApngDisposal::None};
    ApngBlend blend{ApngBlend::Source};
    // The file range holding the frame's data chunks (IDAT or fdAT).
    std::uint64_t dataStart{0};
    std::uint64_t dataEnd{0};
    bool fromImageData{false};
};

struct ApngLayout {
    PngHeader header;
    // The chunks a picture's decoding needs besides its data (palette, transparency, gamma),
    // whole and in file order.
    std::vector<std::uint8_t> pictureChunks;
    // The default image's data chunks.
    std::uint64_t imageDataStart{0};
    std::uint64_t imageDataEnd{0};
    // Whether the file has an acTL before its image data.
    bool animated{false};
    // Set when the file is animated but its animation is not valid.
    std::optional<std::string> invalidAnimation;
    // Set when the file has frame chunks but no acTL before its image data.
    bool strayFrameChunks{false};
    // The animation's whole frames, when it is valid, in the order they are shown.
    std::vector<ApngFrame> frames;
    std::uint32_t plays{0};
    std::optional<LostFrames> lost;

    bool playsAnimation() const { return animated && !invalidAnimation; }
};

// Reads the layout; a fault names the file. `interrupted` is asked between chunks.
common::Result<ApngLayout> readApngLayout(const SourceFile& file,
                                          const common::InterruptionCheck& interrupted);

// Whether the bytes begin with the PNG signature.
bool looksLikePng(std::span<const std::uint8_t> head);

// The seconds a frame lasts, its delay read as browsers read it.
double apngFrameSeconds(const ApngFrame& frame);

} // namespace velorin::tools
