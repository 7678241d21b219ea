// PNG files, animated or still: recognised by their signature and read by the import's own
// animated PNG reader (AnimatedPngSource.h), which composes every frame as browsers show it and
// reads how often the file plays from its animation control chunk. A PNG without one is a
// still image.
#pragma once

#include "tools/import/sources/SourceFormats.h"

namespace velorin::tools {

extern const SourceFormat animatedPngFormat;

} // namespace velorin::tools
