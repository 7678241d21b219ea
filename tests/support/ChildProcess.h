// Runs a program as a separate process, with its standard output and error caught in files
// (so it never sees a terminal), and gives its exit status and what it wrote.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velorin::testing {

struct ProcessOutcome {
    // The exit status, or -1 when the process did not exit normally (a signal stopped it).
    int status{-1};
    std::string out;
    std::string err;
};

// Runs `program` with `arguments`; `settings` (NAME=VALUE) are added to its environment. The
// output files go into `scratch` and are removed afterwards.
ProcessOutcome runProcess(const std::string& program, std::vector<std::string> arguments,
                          const std::filesystem::path& scratch,
                          std::vector<std::string> settings = {});

// The whole contents of a file, or empty when it cannot be read.
std::string readWholeFile(const std::filesystem::path& path);

} // namespace velorin::testing
