#include "tools/import/sources/still/StillImageFormat.h"

#include "tools/import/sources/ffmpeg/FfmpegSource.h"

namespace velorin::tools {

namespace {

bool isStillImage(const SourceHead& head) {
    return head.ffmpegGuessIsOneOf({"jpeg_pipe", "bmp_pipe", "tiff_pipe"});
}

common::Result<std::unique_ptr<MediaSource>> openStillImage(const SourceHead& head,
                                                            const SourceOpening& opening) {
    return openFfmpegSource(head.file(), SourceKind::StillImage, *head.ffmpegDemuxer(),
                            opening.interrupted);
}

} // namespace

const SourceFormat stillImageFormat{"still images", isStillImage, openStillImage};

} // namespace velorin::tools
