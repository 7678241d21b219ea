#include "tools/import/sources/video/VideoFormat.h"

#include "tools/import/sources/ffmpeg/FfmpegSource.h"

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

} // namespace

const SourceFormat videoFormat{"MP4/MOV, WebM/MKV", isVideo, openVideo};

} // namespace velorin::tools
