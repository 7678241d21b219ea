// A scenario file read as `run` and `live --script` read it: a regular file, read whole, then
// read by the scenario language, whose faults name the file and the line.
#pragma once

#include "common/Result.h"
#include "sim/Scenario.h"

#include <string>

namespace velorin::tools {

common::Result<sim::Scenario> readScenarioFile(const std::string& path);

} // namespace velorin::tools
