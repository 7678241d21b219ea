// Decodes one picture of a PNG stream with libpng into straight RGBA with 8 bits a channel.
//
// The stream is handed over in pieces as libpng asks for them, so a frame's data is read from
// the source file as it is decoded. Every colour type and bit depth is read: palettes and
// their transparency, grey, 16-bit samples (scaled to 8 bits with rounding). A gAMA chunk is
// honoured as browsers honour it, for a display of gamma 2.2; a file that says it is sRGB, or
// says nothing, is taken as it is. The caller checks the chunks' checksums beforehand, so
// libpng does not check them again.
#pragma once

#include "common/Result.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velorin::tools {

class PngByteSource {
public:
    virtual ~PngByteSource() = default;
    // Fills up to `length` bytes and gives how many: fewer only at the end of the stream.
    virtual std::size_t read(std::uint8_t* destination, std::size_t length) = 0;
};

// Decodes the picture, which must be `width` × `height` pixels, into `pixels`. The fault's
// message says what is wrong with the data, without naming the file.
common::Result<void> decodePngPicture(PngByteSource& source, std::uint32_t width,
                                      std::uint32_t height, std::vector<std::uint8_t>& pixels);

} // namespace velorin::tools
