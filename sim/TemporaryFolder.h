// A fresh private folder in the system's temporary folder, for the copies the simulated host
// and the tools work on so that a user's own files are never written.
#pragma once

#include <string>
#include <string_view>

namespace velorin::sim {

struct TemporaryFolder {
    // The folder made, or empty when none could be made.
    std::string path;
    // The name that was asked for ("/tmp/STEM-XXXXXX"), to name the fault by.
    std::string pattern;
    // Why none was made, as an errno text; empty when one was.
    std::string failure;
};

// Makes STEM-XXXXXX, readable by this user alone, in $TMPDIR or else /tmp.
TemporaryFolder makeTemporaryFolder(std::string_view stem);

// The same, for the simulated host, which cannot run without its private copies: the folder's
// path, or std::runtime_error naming the fault.
std::string requireTemporaryFolder(std::string_view stem);

} // namespace velorin::sim
