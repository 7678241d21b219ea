// The part of `velorin-sim check` that concerns the extension's read limits and its memory
// budget: files and folders it refuses for their size or shape, and frames it leaves out
// because they decode to more than a showing may hold. Paths are device paths inside the root
// folder `root` each function is given.
//
// The limits are the extension's own constants: the options file's size and nesting, the
// folder listing's length, the frame file's size and the showing's budget. A file past its
// limit is read by the extension as unreadable, so the author would otherwise see defaults or
// missing frames without a reason; each such file is a problem naming the limit.
#pragma once

#include "tools/check/CheckReport.h"

#include <string>
#include <vector>

namespace velorin::tools {

enum class OptionsLimits { Within, Past };

// Adds a problem when the folder's options file is larger or nested deeper than the extension
// reads, and says whether it is. `devicePath` is the folder under the device root, with a
// trailing slash.
OptionsLimits checkOptionsLimits(int root, const std::string& devicePath, CheckReport& report);

// Adds a problem when the folder holds more entries than the extension lists.
void checkListingLimit(int root, const std::string& devicePath, CheckReport& report);

// Reads and decodes each frame of the report as the extension does, notes its size, adds a
// problem for each frame that is left out (too large a file, unreadable, not decodable) or
// that is an animated PNG, and works out the decoded size and the frames a showing admits
// within its budget. Files that are no PNG at all are given back rather than reported one by
// one, so that they can be named together.
std::vector<std::string> checkFrameFiles(int root, const std::string& devicePath,
                                         FrameReading reading, CheckReport& report);

} // namespace velorin::tools
