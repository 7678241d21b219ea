// Whether import reads a file, for the commands that point the user to it (check, when a
// folder holds no frames but pictures). Kept apart from MediaSource.h so that a caller needs
// none of import's types.
#pragma once

#include <optional>
#include <string>

namespace velorin::tools {

// The kind import reads the regular file at `path` as ("GIF", "still images"), told from its
// first bytes and FFmpeg's guess by the rows of the format table, without opening it as a
// source; none when import reads no such file.
std::optional<std::string> importableFileKind(const std::string& path);

} // namespace velorin::tools
