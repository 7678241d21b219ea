// The analysis behind `velorin-sim check`: a sequence folder on this machine, read with the
// very listing, ordering and decoding code the extension plays it with.
//
// The check finds what makes a folder play otherwise than its names suggest: names the
// ordering rule cannot read as their author meant, files that look like frames but are not,
// frames that cannot be decoded and frames of different sizes. It only reads the folder.
#pragma once

#include "sim/Result.h"
#include "tools/check/CheckReport.h"

#include <optional>
#include <string>

namespace velorin::tools {

// Checks the folder at `hostPath`. A folder that does not exist or cannot be listed is an
// error naming it; everything else goes into the report. With a screen size, the report also
// holds the placement the folder's options give on that screen and the options' problems.
sim::Result<CheckReport> checkSequenceFolder(const std::string& hostPath,
                                             std::optional<ScreenSize> screen = std::nullopt);

} // namespace velorin::tools
