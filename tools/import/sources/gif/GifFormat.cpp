#include "tools/import/sources/gif/GifFormat.h"

#include "tools/import/sources/gif/GifSource.h"

namespace velorin::tools {

namespace {

bool isGif(const SourceHead& head) {
    return !head.isFolder() && looksLikeGif(head.bytes());
}

common::Result<std::unique_ptr<MediaSource>> openGif(const SourceHead& head,
                                                     const SourceOpening& opening) {
    return openGifSource(head.file(), opening.interrupted);
}

} // namespace

const SourceFormat gifFormat{"GIF", isGif, openGif};

} // namespace velorin::tools
