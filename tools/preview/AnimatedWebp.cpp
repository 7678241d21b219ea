#include "tools/preview/AnimatedWebp.h"

#include <limits>
#include <webp/encode.h>
#include <webp/mux.h>

namespace velorin::tools {

namespace {

// Lossy frames look like the screen at a fraction of a lossless file's size; the middle
// effort keeps a preview of a few hundred frames quick to write.
constexpr float frameQuality = 80;
constexpr int encoderEffort = 3;

common::Fault encoderFault(WebPAnimEncoder* encoder, const char* fallback) {
    const char* message = encoder ? WebPAnimEncoderGetError(encoder) : nullptr;
    return common::Fault(message && *message ? message : fallback);
}

} // namespace

struct AnimatedWebpEncoder::Impl {
    std::uint32_t width{0};
    std::uint32_t height{0};
    WebPAnimEncoder* encoder{nullptr};
    WebPConfig config{};
    bool finished{false};
};

AnimatedWebpEncoder::AnimatedWebpEncoder(std::uint32_t width, std::uint32_t height)
    : m_impl(std::make_unique<Impl>()) {
    m_impl->width = width;
    m_impl->height = height;
    WebPAnimEncoderOptions options;
    if (WebPAnimEncoderOptionsInit(&options)) {
        options.anim_params.loop_count = 0;
        options.allow_mixed = 0;
        if (width <= static_cast<std::uint32_t>(WEBP_MAX_DIMENSION) &&
            height <= static_cast<std::uint32_t>(WEBP_MAX_DIMENSION))
            m_impl->encoder =
                WebPAnimEncoderNew(static_cast<int>(width), static_cast<int>(height), &options);
    }
    if (WebPConfigInit(&m_impl->config)) {
        m_impl->config.quality = frameQuality;
        m_impl->config.method = encoderEffort;
    }
}

AnimatedWebpEncoder::~AnimatedWebpEncoder() {
    if (m_impl->encoder)
        WebPAnimEncoderDelete(m_impl->encoder);
}

common::Result<void> AnimatedWebpEncoder::add(const FramePixels& frame,
                                              std::int64_t timestampMilliseconds) {
    if (!m_impl->encoder || m_impl->finished)
        return common::Fault("the animation encoder is not ready");
    if (frame.width != m_impl->width || frame.height != m_impl->height)
        return common::Fault("a frame of another size");
    if (timestampMilliseconds < 0 || timestampMilliseconds > std::numeric_limits<int>::max())
        return common::Fault("a frame time out of range");
    WebPPicture picture;
    if (!WebPPictureInit(&picture))
        return common::Fault("the picture cannot be set up");
    picture.use_argb = 1;
    picture.width = static_cast<int>(frame.width);
    picture.height = static_cast<int>(frame.height);
    common::Result<void> added;
    // The pictures are opaque: importing them without their alpha spares the encoder a search
    // for transparency in every frame.
    if (!WebPPictureImportRGBX(&picture, frame.rgba.data(), static_cast<int>(frame.width * 4)))
        added = common::Fault("out of memory for a frame");
    else if (!WebPAnimEncoderAdd(m_impl->encoder, &picture, static_cast<int>(timestampMilliseconds),
                                 &m_impl->config))
        added = encoderFault(m_impl->encoder, "the frame cannot be encoded");
    WebPPictureFree(&picture);
    return added;
}

common::Result<std::vector<std::uint8_t>>
AnimatedWebpEncoder::finish(std::int64_t endMilliseconds) {
    if (!m_impl->encoder || m_impl->finished)
        return common::Fault("the animation encoder is not ready");
    m_impl->finished = true;
    if (endMilliseconds < 0 || endMilliseconds > std::numeric_limits<int>::max())
        return common::Fault("the end time is out of range");
    if (!WebPAnimEncoderAdd(m_impl->encoder, nullptr, static_cast<int>(endMilliseconds), nullptr))
        return encoderFault(m_impl->encoder, "the animation cannot be ended");
    WebPData data;
    WebPDataInit(&data);
    if (!WebPAnimEncoderAssemble(m_impl->encoder, &data)) {
        WebPDataClear(&data);
        return encoderFault(m_impl->encoder, "the animation cannot be assembled");
    }
    std::vector<std::uint8_t> bytes(data.bytes, data.bytes + data.size);
    WebPDataClear(&data);
    return bytes;
}

} // namespace velorin::tools
