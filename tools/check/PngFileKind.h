// Whether a frame file is a PNG image at all, and whether it is an animated one.
//
// The extension decodes a frame as a still PNG image. A file that merely ends in ".png" (a
// resource-fork file "._frame1.png" that another system left, a renamed JPEG) fails to decode;
// an animated PNG decodes to its still image only. Both are told by the file's first bytes:
// the PNG signature, and an animation control chunk ("acTL") before the image data.
#pragma once

#include <cstdint>
#include <span>

namespace velorin::tools {

enum class PngFileKind { NotPng, Still, Animated };

PngFileKind pngFileKind(std::span<const std::uint8_t> bytes);

} // namespace velorin::tools
