// Laying out files for a test, and reading back what a folder holds.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace velorin::testing {

// Writes `contents` to the file at `path`, making the folders above it.
void writeFileMakingFolders(const std::filesystem::path& path, std::string_view contents);

// Every entry under a folder, by its path from there: a file's size, "folder" or "link".
std::map<std::string, std::string> entriesOf(const std::filesystem::path& folder);

} // namespace velorin::testing
