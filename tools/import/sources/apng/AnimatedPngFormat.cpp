#include "tools/import/sources/apng/AnimatedPngFormat.h"

#include "tools/import/sources/apng/AnimatedPngPlayCount.h"
#include "tools/import/sources/ffmpeg/FfmpegSource.h"

namespace velorin::tools {

namespace {

constexpr const char* animatedPngDemuxer = "apng";

bool isAnimatedPng(const SourceHead& head) {
    return head.ffmpegGuessIsOneOf({animatedPngDemuxer});
}

common::Result<std::unique_ptr<MediaSource>> openAnimatedPng(const SourceHead& head,
                                                             const SourceOpening& opening) {
    return openFfmpegSource(head.path(), SourceKind::AnimatedPng, animatedPngDemuxer,
                            animatedPngPlayCount(head.bytes()), opening.interrupted);
}

} // namespace

const SourceFormat animatedPngFormat{"animated PNG", isAnimatedPng, openAnimatedPng};

} // namespace velorin::tools
