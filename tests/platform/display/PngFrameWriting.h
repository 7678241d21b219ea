// PNG files written byte by byte for the decoder's tests: the filter of every row, the zlib
// level and window, and how the image data is cut into chunks are all chosen by the test, as
// no one encoder lets them be. The filtering here is the encoder's direction, written apart
// from the decoder's, and libpng decodes every file as the reference.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace display_testing {

using Bytes = std::vector<std::uint8_t>;

struct FrameLayout {
    // 3 (RGB) or 4 (RGBA).
    int channels{4};
    // The filter type of each row in turn, repeated; 0 None, 1 Sub, 2 Up, 3 Average, 4 Paeth.
    std::vector<std::uint8_t> filters{4};
    int level{6};
    int windowBits{15};
    // The sizes of the image data chunks in turn, the last one repeated (a last zero stands for
    // the rest); empty for one chunk.
    std::vector<std::size_t> chunkSizes;
    // Ancillary chunks (whole, with their CRC) placed before the image data, between its
    // first and second chunk, and after it.
    Bytes before;
    Bytes between;
    Bytes after;
};

// A frame like drawn artwork: gradients, grain, and transparent corners that keep a colour.
Bytes drawTestFrame(std::uint32_t width, std::uint32_t height, std::uint32_t seed);

// The rows of `rgba` filtered as `layout` says, each after its filter byte.
Bytes filteredRows(const Bytes& rgba, std::uint32_t width, std::uint32_t height,
                   const FrameLayout& layout);

// A whole PNG file of filtered rows (or any bytes standing for them).
Bytes pngOfFilteredRows(const Bytes& filtered, std::uint32_t width, std::uint32_t height,
                        const FrameLayout& layout);

// The two together.
Bytes writeFrame(const Bytes& rgba, std::uint32_t width, std::uint32_t height,
                 const FrameLayout& layout);

// The RGBA pixels a decoder gives for `rgba` stored with `channels`: opaque when RGB.
Bytes expectedPixels(const Bytes& rgba, int channels);

// zlib data of `bytes` at `level` with a window of 2^windowBits bytes.
Bytes compressed(const Bytes& bytes, int level, int windowBits);

} // namespace display_testing
