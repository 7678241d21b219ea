#include "tools/import/sources/video/VideoFormat.h"

#include "tools/import/sources/ffmpeg/FfmpegSource.h"

#include <array>

namespace velorin::tools {

namespace {

bool isVideo(const SourceHead& head) {
    return head.ffmpegGuessIsOneOf({"mov,mp4,m4a,3gp,3g2,mj2", "matroska,webm"});
}

common::Result<std::unique_ptr<MediaSource>> openVideo(const SourceHead& head,
                                                       const SourceOpening& opening) {
    return openFfmpegSource(head.file(), SourceKind::Video, *head.ffmpegDemuxer(),
                            opening.interrupted);
}

// One reader takes MP4 and QuickTime, another WebM and Matroska; people tell them apart by
// the file's extension.
constexpr std::array<SourceName, 4> videoNames{{
    {"mov,mp4,m4a,3gp,3g2,mj2", ".mov", "QuickTime video"},
    {"mov,mp4,m4a,3gp,3g2,mj2", "", "MP4 video"},
    {"matroska,webm", ".mkv", "Matroska video"},
    {"matroska,webm", "", "WebM video"},
}};

} // namespace

const SourceFormat videoFormat{"MP4/MOV, WebM/MKV", isVideo, openVideo, videoNames};

} // namespace velorin::tools
