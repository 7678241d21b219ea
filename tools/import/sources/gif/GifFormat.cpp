#include "tools/import/sources/gif/GifFormat.h"

#include "tools/import/sources/ffmpeg/FfmpegSource.h"
#include "tools/import/sources/gif/GifPlayCount.h"

namespace velorin::tools {

namespace {

constexpr const char* gifDemuxer = "gif";

bool isGif(const SourceHead& head) {
    return head.ffmpegGuessIsOneOf({gifDemuxer});
}

common::Result<std::unique_ptr<MediaSource>> openGif(const SourceHead& head,
                                                     const SourceOpening& opening) {
    return openFfmpegSource(head.path(), SourceKind::Gif, gifDemuxer, gifPlayCount(head.bytes()),
                            opening.interrupted);
}

} // namespace

const SourceFormat gifFormat{"GIF", isGif, openGif};

} // namespace velorin::tools
