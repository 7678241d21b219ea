// Decodes the compressed pixels of one GIF image with giflib.
//
// giflib is handed a small GIF of its own for each image: a header and screen the size of the
// image, the image's descriptor, and then the image's compressed data read straight from the
// source file. It gives back the palette indices row by row, interlaced images in their real
// order. Data that ends before the image is full (the end code comes early, or the sub-blocks
// run out) gives the pixels it holds, as browsers show them; data that is damaged is a fault
// in this command's words.
#pragma once

#include "common/Result.h"
#include "tools/import/sources/SourceFile.h"
#include "tools/import/sources/gif/GifBlocks.h"

#include <cstdint>
#include <functional>

namespace velorin::tools {

// Takes row `row` of the image (counted from its top): `count` palette indices, fewer than the
// image's width only for the last row of data that ends early.
using GifRowSink =
    std::function<void(std::uint32_t row, const std::uint8_t* indices, std::uint32_t count)>;

// The fault's message says what is wrong with the data, without naming the file.
common::Result<void> decodeGifPicture(const SourceFile& file, const GifImage& image,
                                      const GifRowSink& sink);

} // namespace velorin::tools
