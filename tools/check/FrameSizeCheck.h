// The part of `velorin-sim check` that measures the frames against the box they are shown in.
//
// Every frame is stretched to the view's rectangle, the options' width × height in points,
// which a screen draws at two or three pixels a point. Frames much larger than the box at
// scale 3 cost decoded memory that shows nothing; frames smaller than it at scale 2 are
// enlarged and blur; frames of other proportions than the box are stretched. Each is a warning,
// given once for all the frames of one size; frames whose size differs from most frames' are
// named one by one.
#pragma once

#include "tools/check/CheckReport.h"

namespace velorin::tools {

// Adds the size warnings for the decoded frames of the report against `report.box`.
void checkFrameSizes(CheckReport& report);

} // namespace velorin::tools
