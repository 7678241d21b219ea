// The whole of a source file that import reads into memory (an animated WebP, a Lottie text),
// within a bound on its size.
#pragma once

#include "common/Result.h"
#include "tools/import/sources/SourceFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velorin::tools {

// The open file's bytes, as large as it was when it was checked; a fault naming it when it
// cannot be read or holds more than `limit` bytes, saying "larger than the N MiB a `kind` may
// be".
common::Result<std::vector<std::uint8_t>> readSourceFile(const SourceFile& file, std::size_t limit,
                                                         const std::string& kind);

} // namespace velorin::tools
