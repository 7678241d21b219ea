#include "tests/tools/import/TestMedia.h"

#include "platform/display/Image.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <stdexcept>
#include <webp/encode.h>
#include <webp/mux.h>

namespace velorin::testing {

namespace {

void check(bool ok, const std::string& what) {
    if (!ok)
        throw std::runtime_error("cannot write test media: " + what);
}

struct EncodeJob {
    std::string container;
    std::string codec;
    AVPixelFormat format{AV_PIX_FMT_RGBA};
    AVRational timeBase{1, 1000};
    std::map<std::string, std::string> muxerOptions;
    std::map<std::string, std::string> encoderOptions;
    VideoSettings video;
};

std::uint32_t argb(Color color) {
    return std::uint32_t{color.alpha} << 24 | std::uint32_t{color.red} << 16 |
           std::uint32_t{color.green} << 8 | color.blue;
}

// One palette for all frames: entry 0 is transparent, the others the frames' opaque colours.
std::vector<std::uint32_t> paletteOf(const std::vector<TimedPicture>& frames) {
    std::vector<std::uint32_t> palette{0};
    for (const TimedPicture& frame : frames) {
        for (std::size_t at = 0; at < frame.picture.pixels.size(); at += 4) {
            const std::uint8_t* pixel = frame.picture.pixels.data() + at;
            if (pixel[3] == 0)
                continue;
            std::uint32_t color = argb({pixel[0], pixel[1], pixel[2], 255});
            if (std::find(palette.begin(), palette.end(), color) == palette.end())
                palette.push_back(color);
        }
    }
    check(palette.size() <= 256, "more than 255 colours for a GIF");
    palette.resize(256, 0xff000000);
    return palette;
}

void fillFrame(AVFrame* frame, const Picture& picture, const EncodeJob& job,
               const std::vector<std::uint32_t>& palette) {
    if (job.format == AV_PIX_FMT_PAL8) {
        std::memcpy(frame->data[1], palette.data(), 256 * 4);
        for (std::uint32_t y = 0; y < picture.height; ++y) {
            for (std::uint32_t x = 0; x < picture.width; ++x) {
                Color color = picture.at(x, y);
                std::uint32_t wanted =
                    color.alpha == 0 ? 0 : argb({color.red, color.green, color.blue, 255});
                auto index = std::find(palette.begin(), palette.end(), wanted) - palette.begin();
                frame->data[0][y * static_cast<std::uint32_t>(frame->linesize[0]) + x] =
                    static_cast<std::uint8_t>(index);
            }
        }
        return;
    }
    int width = static_cast<int>(picture.width);
    int height = static_cast<int>(picture.height);
    SwsContext* scaler = sws_getContext(width, height, AV_PIX_FMT_RGBA, width, height, job.format,
                                        SWS_POINT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    check(scaler != nullptr, "no converter to the encoder's pixels");
    int matrix = job.video.highDefinitionMatrix ? SWS_CS_ITU709 : SWS_CS_ITU601;
    sws_setColorspaceDetails(scaler, sws_getCoefficients(SWS_CS_DEFAULT), 1,
                             sws_getCoefficients(matrix), job.video.fullRange ? 1 : 0, 0, 1 << 16,
                             1 << 16);
    const std::uint8_t* planes[1] = {picture.pixels.data()};
    int strides[1] = {width * 4};
    sws_scale(scaler, planes, strides, 0, height, frame->data, frame->linesize);
    sws_freeContext(scaler);
}

void tagColors(AVCodecContext* encoder, const VideoSettings& video) {
    encoder->colorspace = video.highDefinitionMatrix ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
    encoder->color_primaries = video.highDefinitionMatrix ? AVCOL_PRI_BT709 : AVCOL_PRI_SMPTE170M;
    encoder->color_trc = video.highDefinitionMatrix ? AVCOL_TRC_BT709 : AVCOL_TRC_SMPTE170M;
    encoder->color_range = video.fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
}

AVStream* addSound(AVFormatContext* output) {
    AVStream* sound = avformat_new_stream(output, nullptr);
    check(sound != nullptr, "no sound stream");
    sound->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
    sound->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
    sound->codecpar->sample_rate = 8000;
    sound->codecpar->bits_per_coded_sample = 16;
    av_channel_layout_default(&sound->codecpar->ch_layout, 1);
    sound->time_base = {1, 8000};
    return sound;
}

void encode(const std::filesystem::path& path, const std::vector<TimedPicture>& frames,
            const EncodeJob& job) {
    check(!frames.empty(), "no frames");
    AVFormatContext* output = nullptr;
    check(avformat_alloc_output_context2(&output, nullptr, job.container.c_str(), path.c_str()) >=
              0,
          "no " + job.container + " muxer");
    const AVCodec* codec = avcodec_find_encoder_by_name(job.codec.c_str());
    check(codec != nullptr, "no " + job.codec + " encoder");
    AVStream* stream = avformat_new_stream(output, nullptr);
    AVCodecContext* encoder = avcodec_alloc_context3(codec);
    encoder->width = static_cast<int>(frames[0].picture.width);
    encoder->height = static_cast<int>(frames[0].picture.height);
    encoder->time_base = job.timeBase;
    encoder->pix_fmt = job.format;
    encoder->max_b_frames = 0;
    encoder->gop_size = 12;
    if (job.format == AV_PIX_FMT_YUV420P)
        tagColors(encoder, job.video);
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    for (const auto& [key, value] : job.encoderOptions)
        av_dict_set(&options, key.c_str(), value.c_str(), 0);
    check(avcodec_open2(encoder, codec, &options) >= 0, "cannot open " + job.codec);
    av_dict_free(&options);
    avcodec_parameters_from_context(stream->codecpar, encoder);
    stream->time_base = job.timeBase;
    if (job.video.clockwiseTurn != 0 || job.video.mirrored) {
        std::uint8_t* matrix = av_stream_new_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, 36);
        av_display_rotation_set(reinterpret_cast<std::int32_t*>(matrix), job.video.clockwiseTurn);
        av_display_matrix_flip(reinterpret_cast<std::int32_t*>(matrix), job.video.mirrored, 0);
    }
    AVStream* sound = job.video.withSound ? addSound(output) : nullptr;
    check(avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0, "cannot open the file");
    for (const auto& [key, value] : job.muxerOptions)
        av_dict_set(&options, key.c_str(), value.c_str(), 0);
    check(avformat_write_header(output, &options) >= 0, "cannot write the header");
    av_dict_free(&options);

    std::vector<std::uint32_t> palette =
        job.format == AV_PIX_FMT_PAL8 ? paletteOf(frames) : std::vector<std::uint32_t>();
    std::map<std::int64_t, std::int64_t> durations;
    AVPacket* packet = av_packet_alloc();
    auto drain = [&] {
        while (avcodec_receive_packet(encoder, packet) == 0) {
            packet->duration = durations[packet->pts];
            av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            check(av_interleaved_write_frame(output, packet) >= 0, "cannot write a packet");
        }
    };
    std::int64_t milliseconds = 0;
    for (const TimedPicture& timed : frames) {
        AVFrame* frame = av_frame_alloc();
        frame->width = encoder->width;
        frame->height = encoder->height;
        frame->format = job.format;
        check(av_frame_get_buffer(frame, 0) >= 0, "no frame buffer");
        fillFrame(frame, timed.picture, job, palette);
        frame->pts = av_rescale_q(milliseconds, {1, 1000}, job.timeBase);
        durations[frame->pts] = av_rescale_q(timed.milliseconds, {1, 1000}, job.timeBase);
        check(avcodec_send_frame(encoder, frame) >= 0, "the encoder refused a frame");
        av_frame_free(&frame);
        drain();
        if (sound) {
            AVPacket* samples = av_packet_alloc();
            av_new_packet(samples, timed.milliseconds * 8 * 2);
            std::memset(samples->data, 0, static_cast<std::size_t>(samples->size));
            samples->pts = samples->dts = milliseconds * 8;
            samples->duration = timed.milliseconds * 8;
            samples->stream_index = sound->index;
            check(av_interleaved_write_frame(output, samples) >= 0, "cannot write sound");
            av_packet_free(&samples);
        }
        milliseconds += timed.milliseconds;
    }
    avcodec_send_frame(encoder, nullptr);
    drain();
    check(av_write_trailer(output) >= 0, "cannot finish the file");
    av_packet_free(&packet);
    avcodec_free_context(&encoder);
    avio_closep(&output->pb);
    avformat_free_context(output);
}

} // namespace

Picture Picture::filled(std::uint32_t width, std::uint32_t height, Color color) {
    Picture picture{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 4)};
    return picture.paint(0, 0, width, height, color);
}

Picture& Picture::paint(std::uint32_t left, std::uint32_t top, std::uint32_t across,
                        std::uint32_t down, Color color) {
    for (std::uint32_t y = top; y < top + down && y < height; ++y) {
        for (std::uint32_t x = left; x < left + across && x < width; ++x) {
            std::uint8_t* pixel = pixels.data() + (std::size_t{y} * width + x) * 4;
            pixel[0] = color.red;
            pixel[1] = color.green;
            pixel[2] = color.blue;
            pixel[3] = color.alpha;
        }
    }
    return *this;
}

Color Picture::at(std::uint32_t x, std::uint32_t y) const {
    const std::uint8_t* pixel = pixels.data() + (std::size_t{y} * width + x) * 4;
    return {pixel[0], pixel[1], pixel[2], pixel[3]};
}

void writeGif(const std::filesystem::path& path, const std::vector<TimedPicture>& frames,
              int loops) {
    EncodeJob job{"gif", "gif", AV_PIX_FMT_PAL8, {1, 100}, {}, {}, {}};
    job.muxerOptions["loop"] = std::to_string(loops);
    job.muxerOptions["final_delay"] = std::to_string(frames.back().milliseconds / 10);
    encode(path, frames, job);
}

void writeAnimatedPng(const std::filesystem::path& path, const std::vector<TimedPicture>& frames,
                      int plays) {
    EncodeJob job{"apng", "apng", AV_PIX_FMT_RGBA, {1, 1000}, {}, {}, {}};
    job.muxerOptions["plays"] = std::to_string(plays);
    job.muxerOptions["final_delay"] = std::to_string(frames.back().milliseconds) + "/1000";
    encode(path, frames, job);
}

void writeVideo(const std::filesystem::path& path, const std::vector<TimedPicture>& frames,
                const VideoSettings& settings) {
    EncodeJob job{
        settings.container, settings.codec, AV_PIX_FMT_YUV420P, {1, 1000}, {}, {}, settings};
    // Fine quantisers keep the flat test colours close to what was drawn.
    if (settings.codec == "libvpx") {
        job.encoderOptions["deadline"] = "realtime";
        job.encoderOptions["crf"] = "4";
        job.encoderOptions["b"] = "1M";
    } else {
        job.encoderOptions["qmax"] = "3";
    }
    if (settings.container == "mp4")
        job.muxerOptions["movflags"] = "+write_colr";
    encode(path, frames, job);
}

void writeAnimatedWebp(const std::filesystem::path& path, const std::vector<TimedPicture>& frames,
                       int plays) {
    int width = static_cast<int>(frames.at(0).picture.width);
    int height = static_cast<int>(frames.at(0).picture.height);
    WebPAnimEncoderOptions options;
    check(WebPAnimEncoderOptionsInit(&options) != 0, "libwebp");
    options.anim_params.loop_count = plays;
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(width, height, &options);
    WebPConfig config;
    check(encoder && WebPConfigInit(&config), "libwebp");
    config.lossless = 1;
    int timestamp = 0;
    for (const TimedPicture& frame : frames) {
        WebPPicture picture;
        WebPPictureInit(&picture);
        picture.use_argb = 1;
        picture.width = width;
        picture.height = height;
        check(WebPPictureImportRGBA(&picture, frame.picture.pixels.data(), width * 4) != 0,
              "a WebP frame");
        check(WebPAnimEncoderAdd(encoder, &picture, timestamp, &config) != 0, "a WebP frame");
        WebPPictureFree(&picture);
        timestamp += frame.milliseconds;
    }
    WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
    WebPData data;
    WebPDataInit(&data);
    check(WebPAnimEncoderAssemble(encoder, &data) != 0, "the WebP file");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.bytes), static_cast<std::streamsize>(data.size));
    WebPDataClear(&data);
    WebPAnimEncoderDelete(encoder);
}

void writePng(const std::filesystem::path& path, const Picture& picture) {
    auto image = platform::CGImage::create(picture.width, picture.height, picture.pixels);
    check(image && platform::writePngFile(*image, path.c_str()), "a PNG");
}

Color colorOfFrame(int index) {
    static const Color colors[] = {{255, 0, 0, 255},   {0, 255, 0, 255},   {0, 0, 255, 255},
                                   {255, 255, 0, 255}, {0, 255, 255, 255}, {255, 0, 255, 255}};
    return colors[index % 6];
}

std::vector<TimedPicture> coloredFrames(int count, int milliseconds, std::uint32_t width,
                                        std::uint32_t height) {
    std::vector<TimedPicture> frames;
    for (int index = 0; index < count; ++index)
        frames.push_back({Picture::filled(width, height, colorOfFrame(index)), milliseconds});
    return frames;
}

} // namespace velorin::testing
