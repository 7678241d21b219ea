// Runs the built velorin-sim as a separate process, as a user runs it.
#pragma once

#include "tests/support/ChildProcess.h"

namespace velorin::testing {

using SimOutcome = ProcessOutcome;

// Runs velorin-sim with `arguments`; `settings` (NAME=VALUE) are added to its environment.
// The output files go into `scratch` and are removed afterwards. It runs with a home of its own
// in `scratch`: unless the settings name one, the user's device root is SCRATCH/user-root,
// made on first use.
SimOutcome runVelorinSim(const std::filesystem::path& scratch, std::vector<std::string> arguments,
                         std::vector<std::string> settings = {});

} // namespace velorin::testing
