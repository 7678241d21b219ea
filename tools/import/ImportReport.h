// What velorin-sim import says about the sequence it made.
#pragma once

#include "tools/import/ImportPipeline.h"

#include <string>

namespace velorin::tools {

// Several lines: the folder, the frames in pixels and points, the run and its rate, the
// decoded size against the showing's budget, the source, and every note.
std::string importReportText(const ImportOutcome& outcome);

} // namespace velorin::tools
