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

// The commands an output tells the user to run next (its lines "  velorin-sim ARGUMENTS"), each
// as the arguments after the program's name, split at spaces: enough for the scratch paths
// the tests use, which hold no character a shell would quote.
std::vector<std::vector<std::string>> suggestedCommands(const std::string& output);

} // namespace velorin::testing
