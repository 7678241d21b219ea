// Runs the built velorin-sim as a separate process, as a user runs it, with its standard
// output and error caught in files (so it never sees a terminal).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velorin::testing {

struct SimOutcome {
    int status{-1};
    std::string out;
    std::string err;
};

// Runs velorin-sim with `arguments`; `settings` (NAME=VALUE) are added to its environment.
// The output files go into `scratch` and are removed afterwards.
SimOutcome runVelorinSim(const std::filesystem::path& scratch, std::vector<std::string> arguments,
                         std::vector<std::string> settings = {});

// The whole contents of a file, or empty when it cannot be read.
std::string readWholeFile(const std::filesystem::path& path);

} // namespace velorin::testing
