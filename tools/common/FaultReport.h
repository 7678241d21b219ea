// How a command of velorin-sim ends: its exit status, and the report of a fault.
//
// Operations give a common::Result, whose fault names the file (or the option) it concerns; the
// command that meets a fault reports it here and ends with the status given back. Every fault a
// command reports is a usage or input error. Problems a command finds in what it was asked to
// look at (a check's findings, a soak's breach) are its answer, not faults, and end with
// ProblemsFound.
#pragma once

#include "common/Result.h"

#include <string>

namespace velorin::tools {

// Exit statuses shared by every command.
enum class ExitStatus : int { Success = 0, ProblemsFound = 1, UsageOrInputError = 2 };

// The line that reports a fault: "velorin-sim: FILE: message", or "velorin-sim: message" for a
// fault that concerns no file. A fault on a line of a file is given as "FILE:LINE: message",
// the form editors and terminals recognise to open the file at that line.
std::string faultReportLine(const common::Fault& fault);

// Prints the fault's line on standard error and gives UsageOrInputError as an exit status.
int report(const common::Fault& fault);

} // namespace velorin::tools
