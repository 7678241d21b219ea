#include "tools/import/sources/still/StillImageFormat.h"

#include "tools/import/sources/ffmpeg/FfmpegSource.h"

#include <array>

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

constexpr std::array<SourceName, 3> stillImageNames{{
    {"jpeg_pipe", "", "JPEG picture"},
    {"bmp_pipe", "", "BMP picture"},
    {"tiff_pipe", "", "TIFF picture"},
}};

} // namespace

const SourceFormat stillImageFormat{"JPEG, BMP and TIFF pictures", isStillImage, openStillImage,
                                    stillImageNames};

} // namespace velorin::tools
