#include "tools/import/sources/webp/WebpSource.h"

#include "tools/import/SourceFileBytes.h"
#include "tools/import/sources/FrameDelay.h"
#include "tools/import/sources/FrameOffer.h"

#include <algorithm>
#include <array>
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
    // Reads the whole file, which the source then holds, and its frames' timings.
    common::Result<void> scan(const SourceFile& file);
    common::Result<void> decode(FrameConsumer& consumer) override;

private:
    std::string m_path;
    std::vector<std::uint8_t> m_bytes;
};

common::Result<void> WebpSource::scan(const SourceFile& file) {
    m_bytes = TRY(readSourceFile(file, maximumWebpFileBytes, "WebP"));
    WebPData data{m_bytes.data(), m_bytes.size()};
    std::unique_ptr<WebPDemuxer, DemuxRelease> demuxer(WebPDemux(&data));
    if (!demuxer)
        return common::Fault{m_path, "is not a WebP image libwebp can read"};
    SourceDescription& description = m_description;
    description.formatName = "webp";
    description.width = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH);
    description.height = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT);
    TRY(checkCanvasSize(m_path, description.width, description.height));
    bool animated = WebPDemuxGetI(demuxer.get(), WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG;
    description.kind = animated ? SourceKind::AnimatedWebp : SourceKind::StillImage;
    if (animated) {
        int loops = static_cast<int>(WebPDemuxGetI(demuxer.get(), WEBP_FF_LOOP_COUNT));
        description.plays = loops == 0 ? playsForever : loops;
    }
    if (WebPDemuxGetI(demuxer.get(), WEBP_FF_FRAME_COUNT) > maximumSourceFrames)
        return common::Fault{m_path,
                             "has more than " + std::to_string(maximumSourceFrames) + " frames"};
    WebPIterator iterator;
    double start = 0;
    if (WebPDemuxGetFrame(demuxer.get(), 1, &iterator)) {
        do {
            double duration =
                animated ? frameDelaySeconds(
                               static_cast<std::uint32_t>(std::max(iterator.duration, 0)), 1000)
                         : 0;
            description.frames.push_back({start, duration});
            start += duration;
        } while (WebPDemuxNextFrame(&iterator));
        WebPDemuxReleaseIterator(&iterator);
    }
    if (description.frames.empty())
        return common::Fault{m_path, "holds no frames"};
    description.lengthSeconds = start;
    return {};
}

common::Result<void> WebpSource::decode(FrameConsumer& consumer) {
    WebPData data{m_bytes.data(), m_bytes.size()};
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return common::Fault{m_path, "libwebp cannot be set up"};
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    std::unique_ptr<WebPAnimDecoder, DecoderRelease> decoder(WebPAnimDecoderNew(&data, &options));
    if (!decoder)
        return common::Fault{m_path, "is not a WebP image libwebp can decode"};
    std::size_t index = 0;
    std::size_t bytes = static_cast<std::size_t>(m_description.width) * m_description.height * 4;
    while (!consumer.finished() && WebPAnimDecoderHasMoreFrames(decoder.get()) &&
           index < m_description.frames.size()) {
        TRY(consumer.poll());
        std::uint8_t* pixels = nullptr;
        int endMilliseconds = 0;
        if (!WebPAnimDecoderGetNext(decoder.get(), &pixels, &endMilliseconds))
            return common::Fault{m_path, frameName(index) + " cannot be decoded"};
        // The timeline read beforehand, under the tiny-delay rule, rather than the decoder's
        // own timestamps, which keep every delay as written.
        TRY(offerFrame(consumer, index, m_description.frames[index], m_description.width,
                       m_description.height, {pixels, bytes}));
        ++index;
    }
    return {};
}

bool isWebp(const SourceHead& head) {
    std::span<const std::uint8_t> bytes = head.bytes();
    return bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0 &&
           std::memcmp(bytes.data() + 8, "WEBP", 4) == 0;
}

common::Result<std::unique_ptr<MediaSource>> openWebp(const SourceHead& head,
                                                      const SourceOpening&) {
    auto source = std::make_unique<WebpSource>(head.path());
    TRY(source->scan(*head.file()));
    return std::unique_ptr<MediaSource>(std::move(source));
}

constexpr std::array<SourceName, 1> webpNames{{{"webp", "", "WebP"}}};

} // namespace

const SourceFormat webpFormat{"animated WebP", isWebp, openWebp, webpNames};

} // namespace velorin::tools
