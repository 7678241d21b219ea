// Where a sequence's files live, from its name.
#pragma once

#include <optional>
#include <string>

namespace velorin {

inline constexpr const char* sequenceRoot = "var/jb/vod/Library/Velorin/chargingSequences/";

// The sequence's folder, relative to the device root and ending in a slash. A name that would
// leave the sequence root (it holds "/", or is "." or "..") names no sequence: none. Every
// other name is used exactly as stored.
std::optional<std::string> sequenceDirectory(const std::string& sequenceName);

} // namespace velorin
