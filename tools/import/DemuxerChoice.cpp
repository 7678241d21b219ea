#include "tools/import/DemuxerChoice.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <array>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

namespace velorin::tools {

namespace {

struct AllowedDemuxer {
    std::string_view name;
    ContainerKind kind;
};

constexpr std::array<AllowedDemuxer, 5> allowedDemuxers{{
    {"mov,mp4,m4a,3gp,3g2,mj2", ContainerKind::Video},
    {"matroska,webm", ContainerKind::Video},
    {"jpeg_pipe", ContainerKind::StillImage},
    {"bmp_pipe", ContainerKind::StillImage},
    {"tiff_pipe", ContainerKind::StillImage},
}};

constexpr const char* whatImportReads =
    "import reads GIF, animated PNG, animated WebP, MP4/MOV, WebM/MKV, Lottie JSON, still images "
    "and folders of frames";

bool startsWith(std::span<const std::uint8_t> head, std::string_view text) {
    return head.size() >= text.size() && std::memcmp(head.data(), text.data(), text.size()) == 0;
}

std::string refusalFor(std::string_view demuxer) {
    if (demuxer == "hls" || demuxer == "dash")
        return "is a playlist; import opens single local media files only";
    if (demuxer == "concat")
        return "is a concatenation list; import opens single local media files only";
    return "is read by FFmpeg as \"" + std::string(demuxer) + "\", which import does not take; " +
           whatImportReads;
}

} // namespace

sim::Result<DemuxerChoice> chooseDemuxer(const std::string& path,
                                         std::span<const std::uint8_t> head) {
    // Playlists and lists are refused by their look as well, whatever FFmpeg would make of
    // their names, so that the message says what they are.
    if (startsWith(head, "#EXTM3U"))
        return sim::Fault{path, refusalFor("hls")};
    if (startsWith(head, "ffconcat version"))
        return sim::Fault{path, refusalFor("concat")};
    std::vector<std::uint8_t> padded(head.begin(), head.end());
    padded.resize(head.size() + AVPROBE_PADDING_SIZE, 0);
    std::string fileName = std::filesystem::path(path).filename().string();
    AVProbeData probe{};
    probe.filename = fileName.c_str();
    probe.buf = padded.data();
    probe.buf_size = static_cast<int>(head.size());
    int score = 0;
    const AVInputFormat* format = av_probe_input_format3(&probe, 1, &score);
    if (!format || score < AVPROBE_SCORE_MAX / 4)
        return sim::Fault{path,
                          std::string("is not in a format FFmpeg recognises; ") + whatImportReads};
    for (const AllowedDemuxer& allowed : allowedDemuxers) {
        if (allowed.name == format->name)
            return DemuxerChoice{allowed.kind, format->name};
    }
    return sim::Fault{path, refusalFor(format->name)};
}

} // namespace velorin::tools
