#include "tools/import/sources/ffmpeg/FfmpegGuess.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

namespace velorin::tools {

namespace {

bool startsWith(std::span<const std::uint8_t> head, std::string_view text) {
    return head.size() >= text.size() && std::memcmp(head.data(), text.data(), text.size()) == 0;
}

} // namespace

std::optional<std::string> guessFfmpegDemuxer(const std::string& path,
                                              std::span<const std::uint8_t> head) {
    if (startsWith(head, "#EXTM3U"))
        return playlistDemuxer;
    if (startsWith(head, "ffconcat version"))
        return concatenationDemuxer;
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
        return std::nullopt;
    return std::string(format->name);
}

} // namespace velorin::tools
