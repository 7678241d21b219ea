// Reads scenario text: UTF-8, one statement a line, set-up statements first and then timed
// events ("at T EVENT"). "#" starts a comment, except inside a string in double quotes, and
// blank lines are ignored.
//
// Reading stops at the first fault, which gives the line (counted from 1) and a message and
// leaves the file to the caller, who knows it; nothing of a faulty scenario is used. Besides
// unknown words and bad values, a set-up statement after the first event, a single-valued set-up
// statement given twice, a class that no profile names, time going backwards and a second launch
// are faults. `lacks` of a class that the chosen profile does not have changes nothing. The run
// stops at the first `end`: what follows it is read, so a fault there still stops the run, and
// then left out.
#pragma once

#include "common/Result.h"
#include "sim/Scenario.h"

#include <string_view>

namespace velorin::sim {

common::Result<Scenario> readScenario(std::string_view text);

} // namespace velorin::sim
