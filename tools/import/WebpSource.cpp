#include "tools/import/WebpSource.h"

#include "tools/import/SourceFileBytes.h"
#include "tools/import/sources/FrameDelay.h"
#include "tools/import/sources/FrameOffer.h"

#include <algorithm>
#include <cstring>
#include <webp/demux.h>

namespace velorin::tools {

namespace {

struct DemuxRelease {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};
struct DecoderRelease {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

class WebpSource final : public MediaSource {
public:
    explicit WebpSource(std::string path) : m_path(std::move(path)) {}
    sim::Result<void> scan();
    sim::Result<void> decode(FrameConsumer& consumer) override;

private:
    std::string m_path;
    std::vector<std::uint8_t> m_bytes;
};

sim::Result<void> WebpSource::scan() {
    auto bytes = readSourceFile(m_path, maximumWebpFileBytes, "WebP");
    if (!bytes)
        return bytes.fault();
    m_bytes = std::move(bytes.value());
    WebPData data{m_bytes.data(), m_bytes.size()};
    std::unique_ptr<WebPDemuxer, DemuxRelease> demuxer(WebPDemux(&data));
    if (!demuxer)
        return sim::Fault{m_path, "is not a WebP image libwebp can read"};
    SourceDescription& description = m_description;
    description.formatName = "webp";
    description.width = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH);
    description.height = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT);
    if (auto problem = canvasSizeProblem(description.width, description.height))
        return sim::Fault{m_path, *problem};
    bool animated = WebPDemuxGetI(demuxer.get(), WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG;
    description.kind = animated ? SourceKind::AnimatedWebp : SourceKind::StillImage;
    if (animated) {
        int loops = static_cast<int>(WebPDemuxGetI(demuxer.get(), WEBP_FF_LOOP_COUNT));
        description.plays = loops == 0 ? playsForever : loops;
    }
    if (WebPDemuxGetI(demuxer.get(), WEBP_FF_FRAME_COUNT) > maximumSourceFrames)
        return sim::Fault{m_path,
                          "has more than " + std::to_string(maximumSourceFrames) + " frames"};
    WebPIterator iterator;
    double start = 0;
    if (WebPDemuxGetFrame(demuxer.get(), 1, &iterator)) {
        do {
            double duration = animated ? frameDelaySeconds(static_cast<std::uint32_t>(
                                                                 std::max(iterator.duration, 0)),
                                                             1000)
                                       : 0;
            description.frames.push_back({start, duration});
            start += duration;
        } while (WebPDemuxNextFrame(&iterator));
        WebPDemuxReleaseIterator(&iterator);
    }
    if (description.frames.empty())
        return sim::Fault{m_path, "holds no frames"};
    description.lengthSeconds = start;
    return {};
}

sim::Result<void> WebpSource::decode(FrameConsumer& consumer) {
    WebPData data{m_bytes.data(), m_bytes.size()};
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return sim::Fault{m_path, "libwebp cannot be set up"};
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    std::unique_ptr<WebPAnimDecoder, DecoderRelease> decoder(WebPAnimDecoderNew(&data, &options));
    if (!decoder)
        return sim::Fault{m_path, "is not a WebP image libwebp can decode"};
    std::size_t index = 0;
    std::size_t bytes = static_cast<std::size_t>(m_description.width) * m_description.height * 4;
    while (!consumer.finished() && WebPAnimDecoderHasMoreFrames(decoder.get()) &&
           index < m_description.frames.size()) {
        if (auto result = consumer.poll(); !result)
            return result.fault();
        std::uint8_t* pixels = nullptr;
        int endMilliseconds = 0;
        if (!WebPAnimDecoderGetNext(decoder.get(), &pixels, &endMilliseconds))
            return sim::Fault{m_path, frameName(index) + " cannot be decoded"};
        // The timeline read beforehand, under the tiny-delay rule, rather than the decoder's
        // own timestamps, which keep every delay as written.
        if (auto result = offerFrame(consumer, index, m_description.frames[index],
                                     m_description.width, m_description.height, {pixels, bytes});
            !result)
            return result.fault();
        ++index;
    }
    return {};
}

} // namespace

bool looksLikeWebp(std::span<const std::uint8_t> head) {
    return head.size() >= 12 && std::memcmp(head.data(), "RIFF", 4) == 0 &&
           std::memcmp(head.data() + 8, "WEBP", 4) == 0;
}

sim::Result<std::unique_ptr<MediaSource>> openWebpSource(const std::string& path) {
    auto source = std::make_unique<WebpSource>(path);
    if (auto result = source->scan(); !result)
        return result.fault();
    return std::unique_ptr<MediaSource>(std::move(source));
}

} // namespace velorin::tools
