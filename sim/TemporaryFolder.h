// A fresh private folder in the system's temporary folder, for the copies the simulated host
// and the tools work on so that a user's own files are never written.
#pragma once

#include "sim/Result.h"

#include <string>
#include <string_view>

namespace velorin::sim {

// Makes STEM-XXXXXX, readable by this user alone, in $TMPDIR or else /tmp, and gives its path.
// The fault names the pattern that was asked for ("/tmp/STEM-XXXXXX") and the system's reason.
Result<std::string> makeTemporaryFolder(std::string_view stem);

} // namespace velorin::sim
