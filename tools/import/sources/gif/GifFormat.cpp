#include "tools/import/sources/gif/GifFormat.h"

#include "tools/import/sources/gif/GifSource.h"

#include <array>

namespace velorin::tools {

namespace {

bool isGif(const SourceHead& head) {
    return !head.isFolder() && looksLikeGif(head.bytes());
}

common::Result<std::unique_ptr<MediaSource>> openGif(const SourceHead& head,
                                                     const SourceOpening& opening) {
    return openGifSource(head.file(), opening.interrupted);
}

constexpr std::array<SourceName, 1> gifNames{{{"gif", "", "GIF"}}};

} // namespace

const SourceFormat gifFormat{"GIF", isGif, openGif, gifNames};

} // namespace velorin::tools
