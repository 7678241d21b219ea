// Where the running program is, so that an installed velorin-sim finds the files installed
// beside it (the extension library, the sample root) under whatever prefix it was put.
#pragma once

#include <filesystem>
#include <optional>

namespace velorin::common {

// `relative` (a path such as "../share/velorin/root") resolved against the folder that holds
// the running program; none when the program's own place cannot be read.
std::optional<std::filesystem::path> besideRunningProgram(const std::filesystem::path& relative);

} // namespace velorin::common
