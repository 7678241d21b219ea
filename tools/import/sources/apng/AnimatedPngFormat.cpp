#include "tools/import/sources/apng/AnimatedPngFormat.h"

#include "tools/import/sources/apng/AnimatedPngSource.h"
#include "tools/import/sources/apng/ApngLayout.h"

namespace velorin::tools {

namespace {

bool isPng(const SourceHead& head) {
    return !head.isFolder() && looksLikePng(head.bytes());
}

common::Result<std::unique_ptr<MediaSource>> openPng(const SourceHead& head,
                                                     const SourceOpening& opening) {
    return openAnimatedPngSource(head.file(), opening.interrupted);
}

} // namespace

const SourceFormat animatedPngFormat{"animated PNG", isPng, openPng};

} // namespace velorin::tools
