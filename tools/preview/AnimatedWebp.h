// Writes an animated WebP with libwebp's animation encoder, one frame at a time.
//
// Frames are opaque pictures of one size, each shown from its own timestamp until the next
// one's. An encoder may be handed from thread to thread, but used by one at a time. The encoder
// keeps only the frames it has already compressed, so memory grows with the size of the output
// rather than with the pictures. The animation loops forever.
#pragma once

#include "common/Result.h"
#include "tools/lockscreen/FramePixels.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace velorin::tools {

class AnimatedWebpEncoder {
public:
    AnimatedWebpEncoder(std::uint32_t width, std::uint32_t height);
    ~AnimatedWebpEncoder();
    AnimatedWebpEncoder(const AnimatedWebpEncoder&) = delete;
    AnimatedWebpEncoder& operator=(const AnimatedWebpEncoder&) = delete;

    // Adds a frame shown from `timestampMilliseconds`, which must grow from frame to frame.
    // A fault when the frame is refused (another size, or the encoder failed); it names no
    // file, which the caller knows.
    common::Result<void> add(const FramePixels& frame, std::int64_t timestampMilliseconds);
    // Ends the animation at `endMilliseconds` and gives the file's bytes; a fault when it
    // cannot. The encoder takes no frames after this.
    common::Result<std::vector<std::uint8_t>> finish(std::int64_t endMilliseconds);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace velorin::tools
