#include "tools/import/sources/apng/AnimatedPngFormat.h"

#include "tools/import/sources/apng/AnimatedPngSource.h"
#include "tools/import/sources/apng/ApngLayout.h"

#include <array>

namespace velorin::tools {

namespace {

bool isPng(const SourceHead& head) {
    return !head.isFolder() && looksLikePng(head.bytes());
}

common::Result<std::unique_ptr<MediaSource>> openPng(const SourceHead& head,
                                                     const SourceOpening& opening) {
    return openAnimatedPngSource(head.file(), opening.interrupted);
}

constexpr std::array<SourceName, 2> pngNames{{
    {"apng", "", "animated PNG"},
    {"png", "", "PNG picture"},
}};

} // namespace

const SourceFormat animatedPngFormat{"animated PNG", isPng, openPng, pngNames};

} // namespace velorin::tools
