// GIF files: recognised by their signature and read by the import's own GIF reader
// (GifSource.h), which composes every picture as browsers show it and reads how often the file
// plays from its looping extension.
#pragma once

#include "tools/import/sources/SourceFormats.h"

namespace velorin::tools {

extern const SourceFormat gifFormat;

} // namespace velorin::tools
