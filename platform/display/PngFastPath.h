// The fast path of the PNG decoder, for the files that frames almost always are: 8-bit RGB or
// RGBA, not interlaced, without a transparency key.
//
// It reads the whole file's chunks first, checks every chunk's CRC and the header, joins the
// image data, inflates it in one call of libdeflate (which checks its Adler-32) into the
// frame's own buffer, then unfilters the rows in place. It gives exactly libpng's pixels, or
// nothing: at the first thing it is not sure of (another kind of image, an unusual chunk, a
// damaged or unusual stream) it hands the file over, and libpng, which reads every file,
// decides. It never refuses a file for good, so it can accept no file that libpng refuses
// and refuse none that libpng accepts.
//
// What it hands over: palette, grey and 16-bit images; interlaced ones; a tRNS or PLTE chunk or
// any critical chunk it does not know; a chunk over the decoder's chunk limit; a CRC that does
// not match; image data split by another chunk; a deflate stream whose declared window is
// smaller than the data (zlib, below libpng, would refuse distances past it); a stream that
// does not fill the image exactly or leaves bytes over; a filter type past Paeth; and a file
// that does not end in IEND. Other ancillary chunks are skipped, as libpng skips or only notes
// them: with the transformations the decoder asks of libpng, none of them changes a pixel.
//
// One leniency remains below libpng's: libdeflate decodes a Huffman code that has a single
// codeword, or none, whichever bit the stream uses for it, where zlib takes only the bit '0'.
// No encoder writes such a stream; it can only be made by hand, and it then decodes to
// well-defined pixels (the stream's own Adler-32 still has to match them).
#pragma once

#include "platform/display/Image.h"
#include "platform/display/PngUnfilter.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace platform::png {

// The longest chunk the decoder reads. Enough for any text or colour-profile chunk a frame
// reasonably carries; libpng is held to it as well, and skips or refuses a longer chunk.
inline constexpr std::size_t chunkByteLimit = 8u * 1024 * 1024;

// What the chunks of a file the fast path takes say about it.
struct FastPathPlan {
    PngSize size;
    int channels{0};
    // The first image data chunk, and the image data's chunks and bytes in all.
    std::size_t firstImageData{0};
    std::size_t imageDataChunks{0};
    std::size_t imageDataBytes{0};
};

// Reads and checks the chunks; none when the file is handed over. Allocates nothing.
std::optional<FastPathPlan> planFastPath(std::span<const std::uint8_t> bytes);

// Decodes a planned file into RGBA8 `pixels`; false when it is handed over after all. Throws
// std::bad_alloc when there is no memory for the pixels.
bool decodeWithFastPath(std::span<const std::uint8_t> bytes, const FastPathPlan& plan,
                        UnfilterKernel kernel, PixelBytes& pixels);

} // namespace platform::png
