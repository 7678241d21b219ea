#include "tools/import/sources/ffmpeg/FfmpegSource.h"

#include "tools/import/FrameRotation.h"
#include "tools/import/sources/FrameOffer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <utility>

namespace velorin::tools {

namespace {

struct FormatRelease {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecRelease {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct PacketRelease {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameRelease {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct ScalerRelease {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
using FormatContext = std::unique_ptr<AVFormatContext, FormatRelease>;
using CodecContext = std::unique_ptr<AVCodecContext, CodecRelease>;
using Packet = std::unique_ptr<AVPacket, PacketRelease>;
using Frame = std::unique_ptr<AVFrame, FrameRelease>;
using Scaler = std::unique_ptr<SwsContext, ScalerRelease>;

// FFmpeg's own words for a fault, given only as a detail after this command's.
std::string detail(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return std::string(" (FFmpeg: ") + text + ")";
}

extern "C" int askInterruption(void* check) {
    const auto& interrupted = *static_cast<const InterruptionCheck*>(check);
    return common::isInterrupted(interrupted) ? 1 : 0;
}

void quietenFfmpeg() {
    // Faults reach the user through this command's own messages; FFmpeg's log would only add
    // noise on standard error.
    av_log_set_level(AV_LOG_QUIET);
}

// FFmpeg reads the source through these callbacks, from the file import opened and checked,
// each input with a position of its own; it never opens a file by name.
class FileReading {
public:
    explicit FileReading(const SourceFile& file) : m_file(file) {}
    ~FileReading() {
        if (m_context)
            av_freep(&m_context->buffer);
        avio_context_free(&m_context);
    }
    FileReading(const FileReading&) = delete;
    FileReading& operator=(const FileReading&) = delete;

    // The context FFmpeg reads through; none when memory ran out.
    AVIOContext* context() {
        if (m_context)
            return m_context;
        auto* buffer = static_cast<unsigned char*>(av_malloc(bufferBytes));
        if (!buffer)
            return nullptr;
        m_context = avio_alloc_context(buffer, static_cast<int>(bufferBytes), 0, this, read,
                                       nullptr, seek);
        if (!m_context)
            av_free(buffer);
        return m_context;
    }

private:
    static constexpr std::size_t bufferBytes = 64 * 1024;

    static int read(void* opaque, std::uint8_t* destination, int length) {
        auto& reading = *static_cast<FileReading*>(opaque);
        std::int64_t count = reading.m_file.readAt(reading.m_position, destination,
                                                   static_cast<std::size_t>(std::max(length, 0)));
        if (count < 0)
            return AVERROR(EIO);
        if (count == 0)
            return AVERROR_EOF;
        reading.m_position += static_cast<std::uint64_t>(count);
        return static_cast<int>(count);
    }

    static std::int64_t seek(void* opaque, std::int64_t offset, int whence) {
        auto& reading = *static_cast<FileReading*>(opaque);
        auto size = static_cast<std::int64_t>(reading.m_file.size());
        std::int64_t from = 0;
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return size;
        case SEEK_SET:
            break;
        case SEEK_CUR:
            from = static_cast<std::int64_t>(reading.m_position);
            break;
        case SEEK_END:
            from = size;
            break;
        default:
            return AVERROR(EINVAL);
        }
        if (offset > std::numeric_limits<std::int64_t>::max() - from || from + offset < 0)
            return AVERROR(EINVAL);
        reading.m_position = static_cast<std::uint64_t>(from + offset);
        return from + offset;
    }

    const SourceFile& m_file;
    std::uint64_t m_position{0};
    AVIOContext* m_context{nullptr};
};

// A demuxer that would open another file (a reference inside a movie, say) is refused: import
// reads the one file it was given.
extern "C" int refuseOtherFiles(AVFormatContext*, AVIOContext**, const char*, int,
                                AVDictionary**) {
    return AVERROR(EPERM);
}

struct OpenedInput {
    // Declared first, so that it outlives the format context that reads through it.
    std::unique_ptr<FileReading> reading;
    FormatContext context;
    int videoStream{-1};
};

common::Result<OpenedInput> openInput(const SourceFile& file, const std::string& demuxerName,
                                      const InterruptionCheck& interrupted) {
    quietenFfmpeg();
    const std::string& path = file.path();
    const AVInputFormat* format = av_find_input_format(demuxerName.c_str());
    if (!format)
        return common::Fault{path, "FFmpeg has no \"" + demuxerName + "\" reader"};
    auto reading = std::make_unique<FileReading>(file);
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw || !reading->context()) {
        avformat_free_context(raw);
        return common::Fault{path, "out of memory"};
    }
    raw->pb = reading->context();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    raw->io_open = refuseOtherFiles;
    raw->interrupt_callback.callback = askInterruption;
    raw->interrupt_callback.opaque = const_cast<InterruptionCheck*>(&interrupted);
    AVDictionary* options = nullptr;
    // No protocol at all: everything is read through the callbacks above.
    av_dict_set(&options, "protocol_whitelist", "none", 0);
    // The file's name, for demuxers that look at it, never opened.
    std::string location = std::filesystem::path(path).filename().string();
    int status = avformat_open_input(&raw, location.c_str(), format, &options);
    av_dict_free(&options);
    if (status < 0)
        TRY(common::stopIfInterrupted(interrupted));
    if (status < 0)
        return common::Fault{path, "cannot be read: it is damaged or not the kind of file it "
                                   "looks like" +
                                       detail(status)};
    OpenedInput input{std::move(reading), FormatContext(raw), -1};
    AVFormatContext* context = input.context.get();
    // Decoders that look at the streams refuse pictures larger than a canvas may be.
    std::vector<AVDictionary*> streamOptions(context->nb_streams, nullptr);
    for (AVDictionary*& streamOption : streamOptions)
        av_dict_set_int(&streamOption, "max_pixels", static_cast<std::int64_t>(maximumCanvasPixels),
                        0);
    status = avformat_find_stream_info(context, streamOptions.data());
    for (AVDictionary*& streamOption : streamOptions)
        av_dict_free(&streamOption);
    if (status < 0)
        return common::Fault{path, "cannot be read: its streams cannot be made out, or its "
                                   "pictures are larger than " +
                                       canvasBound() + detail(status)};
    for (unsigned index = 0; index < context->nb_streams; ++index) {
        AVStream* stream = context->streams[index];
        bool picture = stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                       !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
        if (picture && input.videoStream < 0)
            input.videoStream = static_cast<int>(index);
        else
            stream->discard = AVDISCARD_ALL;
    }
    if (input.videoStream < 0)
        return common::Fault{path, "holds no pictures (no video stream)"};
    return input;
}

// How the stream's frames are made upright, from its display matrix; `clockwiseDegrees` is the
// turn it asks for, for the report.
FrameOrientation uprightOrientationOf(const AVStream* stream, double& clockwiseDegrees) {
    clockwiseDegrees = 0;
    std::size_t size = 0;
    const std::uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    std::int32_t matrix[9];
    if (!data || size < sizeof matrix)
        return {};
    std::memcpy(matrix, data, sizeof matrix);
    // The matrix rotates counterclockwise by this angle; showing the frame upright takes the
    // opposite turn.
    double counterclockwise = av_display_rotation_get(matrix);
    if (!std::isfinite(counterclockwise))
        return {};
    clockwiseDegrees = -counterclockwise;
    return uprightOrientation(clockwiseDegrees, matrix);
}

struct PacketTime {
    std::int64_t timestamp{0};
    std::int64_t duration{0};
};

// The deprecated full-range pixel formats, as their plain forms with the range said apart.
AVPixelFormat plainFormat(AVPixelFormat format, bool& fullRange) {
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        fullRange = true;
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        fullRange = true;
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        fullRange = true;
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        fullRange = true;
        return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
        fullRange = true;
        return AV_PIX_FMT_YUV411P;
    default:
        return format;
    }
}

class FfmpegSource final : public MediaSource {
public:
    FfmpegSource(std::shared_ptr<const SourceFile> file, SourceKind kind, std::string demuxer,
                 InterruptionCheck interrupted)
        : m_file(std::move(file)), m_path(m_file->path()), m_kind(kind),
          m_demuxer(std::move(demuxer)), m_interrupted(std::move(interrupted)) {}

    common::Result<void> scan();
    common::Result<void> decode(FrameConsumer& consumer) override;

private:
    struct HeldFrame {
        Frame frame;
        double start{0};
    };
    common::Result<void> emit(FrameConsumer& consumer, HeldFrame& held, double end);
    common::Result<void> receiveFrames(FrameConsumer& consumer, AVCodecContext* decoder,
                                       HeldFrame& held);
    common::Result<CanvasFrame> convert(const AVFrame& frame, const FrameConsumer& consumer);
    common::Fault frameFault(std::size_t index, int status) const;

    std::shared_ptr<const SourceFile> m_file;
    std::string m_path;
    SourceKind m_kind;
    std::string m_demuxer;
    InterruptionCheck m_interrupted;
    int m_videoStream{-1};
    AVRational m_timeBase{1, 1};
    std::int64_t m_firstTimestamp{0};
    std::size_t m_decodedFrames{0};
    std::size_t m_emittedFrames{0};
    Scaler m_scaler;
};

common::Result<void> FfmpegSource::scan() {
    auto input = TRY(openInput(*m_file, m_demuxer, m_interrupted));
    AVFormatContext* context = input.context.get();
    m_videoStream = input.videoStream;
    AVStream* stream = context->streams[m_videoStream];
    m_timeBase = stream->time_base;
    SourceDescription& description = m_description;
    description.formatName = context->iformat->name;
    description.kind = m_kind;
    for (unsigned index = 0; index < context->nb_streams; ++index) {
        if (context->streams[index]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            description.audioIgnored = true;
    }
    std::uint32_t width = static_cast<std::uint32_t>(std::max(stream->codecpar->width, 0));
    std::uint32_t height = static_cast<std::uint32_t>(std::max(stream->codecpar->height, 0));
    // FFmpeg leaves the size unknown when its decoder could not read the first picture: one
    // damaged or cut short, or one past the pixel bound it was given.
    if (width == 0 || height == 0)
        return common::Fault{m_path, "has no picture that can be read: it is damaged or cut short, "
                                     "or its pictures are larger than " +
                                         canvasBound()};
    TRY(checkCanvasSize(m_path, width, height));
    double turn = 0;
    description.orientation = uprightOrientationOf(stream, turn);
    if (std::fabs(turn - std::round(turn / 90) * 90) > 1)
        description.notes.push_back("the video asks to be turned by " +
                                    std::to_string(std::lround(turn)) +
                                    " degrees; it is turned by the nearest quarter turn");
    if (description.orientation.mirroring == Mirroring::LeftToRight)
        description.notes.push_back("the video asks to be shown mirrored; it is mirrored");
    if (description.orientation.clockwiseQuarterTurn % 180 != 0)
        std::swap(width, height);
    description.width = width;
    description.height = height;

    std::vector<PacketTime> packets;
    Packet packet(av_packet_alloc());
    int status = 0;
    while ((status = av_read_frame(context, packet.get())) >= 0) {
        if (packet->stream_index == m_videoStream && !(packet->flags & AV_PKT_FLAG_DISCARD)) {
            std::int64_t timestamp = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (timestamp == AV_NOPTS_VALUE)
                timestamp =
                    packets.empty() ? 0 : packets.back().timestamp + packets.back().duration;
            packets.push_back({timestamp, std::max<std::int64_t>(packet->duration, 0)});
        }
        av_packet_unref(packet.get());
        if (packets.size() > maximumSourceFrames)
            return common::Fault{m_path, "has more than " + std::to_string(maximumSourceFrames) +
                                             " frames"};
        TRY(common::stopIfInterrupted(m_interrupted));
    }
    // An interruption can end the reading early, as if the file ended there.
    TRY(common::stopIfInterrupted(m_interrupted));
    if (status != AVERROR_EOF)
        return common::Fault{m_path, "cannot be read to its end: it is damaged or cut short" +
                                         detail(status)};
    if (packets.empty())
        return common::Fault{m_path, "holds no frames"};
    std::stable_sort(packets.begin(), packets.end(), [](const PacketTime& a, const PacketTime& b) {
        return a.timestamp < b.timestamp;
    });
    m_firstTimestamp = packets.front().timestamp;
    double unit = av_q2d(m_timeBase);
    for (std::size_t index = 0; index < packets.size(); ++index) {
        double start = static_cast<double>(packets[index].timestamp - m_firstTimestamp) * unit;
        double duration = 0;
        if (index + 1 < packets.size()) {
            duration =
                static_cast<double>(packets[index + 1].timestamp - packets[index].timestamp) * unit;
        } else if (packets[index].duration > 0) {
            duration = static_cast<double>(packets[index].duration) * unit;
        } else if (index > 0) {
            // A last frame that does not say how long it lasts gets its predecessor's length.
            duration = description.frames.back().duration;
        }
        description.frames.push_back({start, duration});
    }
    description.lengthSeconds =
        description.frames.back().start + description.frames.back().duration;
    return {};
}

common::Fault FfmpegSource::frameFault(std::size_t index, int status) const {
    std::string reason = status == AVERROR(ENOMEM)
                             ? "out of memory"
                             : "its data is damaged, its picture is larger than " + canvasBound() +
                                   ", or it uses a feature FFmpeg does not decode";
    return common::Fault{m_path,
                         frameName(index) + " cannot be decoded: " + reason + detail(status)};
}

// The size a frame is converted to, and libswscale's filter for it. A frame with transparency
// is converted at its own size, for the consumer to resize premultiplied: scaling straight
// colour would blend the colour of transparent pixels into the visible edges.
struct ConversionTarget {
    int width{0};
    int height{0};
    int flags{SWS_BICUBIC};
};

ConversionTarget conversionTarget(const AVFrame& frame, const AVPixFmtDescriptor* descriptor,
                                  const FrameConsumer& consumer, const FrameOrientation& orientation) {
    ConversionTarget target{frame.width, frame.height, SWS_BICUBIC};
    bool transparent = !descriptor || (descriptor->flags & AV_PIX_FMT_FLAG_ALPHA) ||
                       (descriptor->flags & AV_PIX_FMT_FLAG_PAL);
    auto size = consumer.drawingSize();
    auto filter = consumer.resizeFilter();
    if (!size || transparent || !filter)
        return target;
    // The frame is turned upright after it is converted, so a quarter turn swaps the sides.
    bool sideways = orientation.clockwiseQuarterTurn % 180 != 0;
    target.width = static_cast<int>(sideways ? size->height : size->width);
    target.height = static_cast<int>(sideways ? size->width : size->height);
    if (*filter == ResizeFilter::NearestNeighbour)
        target.flags = SWS_POINT;
    else if (target.width < frame.width && target.height < frame.height)
        // Averaging every source pixel a frame pixel covers, as the consumer's own resizing
        // does: a bicubic filter of a few taps would alias a picture shrunk several times.
        target.flags = SWS_AREA;
    return target;
}

common::Result<CanvasFrame> FfmpegSource::convert(const AVFrame& frame,
                                                  const FrameConsumer& consumer) {
    TRY(checkCanvasSize(m_path, static_cast<std::uint64_t>(std::max(frame.width, 0)),
                        static_cast<std::uint64_t>(std::max(frame.height, 0)), "a frame "));
    bool fullRange = frame.color_range == AVCOL_RANGE_JPEG;
    AVPixelFormat format = plainFormat(static_cast<AVPixelFormat>(frame.format), fullRange);
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
    ConversionTarget target =
        conversionTarget(frame, descriptor, consumer, m_description.orientation);
    m_scaler.reset(sws_getCachedContext(
        m_scaler.release(), frame.width, frame.height, format, target.width, target.height,
        AV_PIX_FMT_RGBA, target.flags | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr,
        nullptr));
    if (!m_scaler)
        return common::Fault{
            m_path, std::string("has frames in a pixel format that cannot be "
                                "converted: ") +
                        (av_get_pix_fmt_name(format) ? av_get_pix_fmt_name(format) : "unknown")};
    if (descriptor && !(descriptor->flags & AV_PIX_FMT_FLAG_RGB) &&
        !(descriptor->flags & AV_PIX_FMT_FLAG_PAL)) {
        int colorspace = frame.colorspace;
        // Untagged high-definition video is almost always made with the HD matrix.
        if (colorspace == AVCOL_SPC_UNSPECIFIED && frame.height > 576)
            colorspace = AVCOL_SPC_BT709;
        sws_setColorspaceDetails(m_scaler.get(), sws_getCoefficients(colorspace), fullRange ? 1 : 0,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    }
    CanvasFrame canvas;
    canvas.width = static_cast<std::uint32_t>(target.width);
    canvas.height = static_cast<std::uint32_t>(target.height);
    canvas.pixels.resize(static_cast<std::size_t>(canvas.width) * canvas.height * 4);
    std::uint8_t* planes[4] = {canvas.pixels.data(), nullptr, nullptr, nullptr};
    int strides[4] = {static_cast<int>(canvas.width * 4), 0, 0, 0};
    sws_scale(m_scaler.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
    if (!m_description.orientation.changesNothing())
        canvas.pixels =
            orientUpright(canvas.pixels, canvas.width, canvas.height, m_description.orientation);
    return canvas;
}

common::Result<void> FfmpegSource::emit(FrameConsumer& consumer, HeldFrame& held, double end) {
    if (!held.frame)
        return {};
    Frame frame = std::move(held.frame);
    TRY(consumer.poll());
    std::size_t index = m_emittedFrames++;
    if (!consumer.wants(held.start, end))
        return {};
    auto canvas = TRY(convert(*frame, consumer));
    canvas.index = index;
    canvas.start = held.start;
    canvas.duration = end - held.start;
    return consumer.take(canvas);
}

common::Result<void> FfmpegSource::receiveFrames(FrameConsumer& consumer, AVCodecContext* decoder,
                                                 HeldFrame& held) {
    while (!consumer.finished()) {
        Frame frame(av_frame_alloc());
        int status = avcodec_receive_frame(decoder, frame.get());
        if (status == AVERROR(EAGAIN) || status == AVERROR_EOF)
            return {};
        if (status < 0)
            return frameFault(m_decodedFrames, status);
        std::int64_t timestamp = frame->best_effort_timestamp;
        double start = 0;
        if (timestamp != AV_NOPTS_VALUE)
            start = static_cast<double>(timestamp - m_firstTimestamp) * av_q2d(m_timeBase);
        else if (m_decodedFrames < m_description.frames.size())
            start = m_description.frames[m_decodedFrames].start;
        else
            start = held.frame ? held.start : 0;
        ++m_decodedFrames;
        if (held.frame) {
            TRY(emit(consumer, held, std::max(start, held.start)));
        }
        held.frame = std::move(frame);
        held.start = std::max(start, 0.0);
    }
    return {};
}

common::Result<void> FfmpegSource::decode(FrameConsumer& consumer) {
    auto input = TRY(openInput(*m_file, m_demuxer, m_interrupted));
    AVFormatContext* context = input.context.get();
    AVStream* stream = context->streams[m_videoStream];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return common::Fault{m_path,
                             std::string("uses a picture format FFmpeg cannot decode here: ") +
                                 avcodec_get_name(stream->codecpar->codec_id)};
    CodecContext decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0)
        return common::Fault{m_path, "cannot set up its decoder"};
    decoder->pkt_timebase = stream->time_base;
    decoder->max_pixels = static_cast<std::int64_t>(maximumCanvasPixels);
    // FFmpeg's own threads, as many as it finds processors, working on several frames at once
    // and on parts of one: decoding is most of an import's time.
    decoder->thread_count = 0;
    decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (int status = avcodec_open2(decoder.get(), codec, nullptr); status < 0)
        return common::Fault{m_path,
                             "cannot be decoded: its decoder cannot be set up" + detail(status)};
    m_decodedFrames = 0;
    m_emittedFrames = 0;
    HeldFrame held;
    Packet packet(av_packet_alloc());
    int status = 0;
    while (!consumer.finished() && (status = av_read_frame(context, packet.get())) >= 0) {
        if (packet->stream_index != m_videoStream) {
            av_packet_unref(packet.get());
            continue;
        }
        status = avcodec_send_packet(decoder.get(), packet.get());
        av_packet_unref(packet.get());
        if (status < 0 && status != AVERROR(EAGAIN))
            return frameFault(m_decodedFrames, status);
        TRY(receiveFrames(consumer, decoder.get(), held));
    }
    if (consumer.finished())
        return {};
    TRY(common::stopIfInterrupted(m_interrupted));
    if (status != AVERROR_EOF && status < 0)
        return common::Fault{m_path, "cannot be read to its end: it is damaged or cut short" +
                                         detail(status)};
    avcodec_send_packet(decoder.get(), nullptr);
    TRY(receiveFrames(consumer, decoder.get(), held));
    if (consumer.finished())
        return {};
    if (m_decodedFrames == 0)
        return common::Fault{m_path, "no frame could be decoded"};
    return emit(consumer, held, std::max(m_description.lengthSeconds, held.start));
}

} // namespace

common::Result<std::unique_ptr<MediaSource>>
openFfmpegSource(std::shared_ptr<const SourceFile> file, SourceKind kind,
                 const std::string& demuxer, const InterruptionCheck& interrupted) {
    auto source = std::make_unique<FfmpegSource>(std::move(file), kind, demuxer, interrupted);
    TRY(source->scan());
    return std::unique_ptr<MediaSource>(std::move(source));
}

} // namespace velorin::tools
