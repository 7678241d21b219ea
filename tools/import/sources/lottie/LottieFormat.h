// Lottie animations: a Lottie text (JSON) recognised by its name or its first character and
// drawn by rlottie (LottieSource.h); a ".lottie" archive recognised by its name and refused with
// what to do instead. The row comes before the others, so that a file named as a Lottie text or
// archive is read as one whatever its bytes look like.
#pragma once

#include "tools/import/sources/SourceFormats.h"

namespace velorin::tools {

extern const SourceFormat lottieFormat;

} // namespace velorin::tools
