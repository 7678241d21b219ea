// Where a sequence's files live, from its name.
#pragma once

#include <optional>
#include <string>

namespace velorin {

inline constexpr const char* sequenceRoot = "var/jb/vod/Library/Velorin/chargingSequences/";

// The sequence's folder, relative to the device root and ending in a slash: the name joined to
// the sequence root exactly as stored, as the device joins it, so that "set/alpha", "./alpha"
// and "alpha/" name folders inside the sequence root. A name that could lead out of the
// sequence root (one holding a ".." part or a NUL) or that names the sequence root itself
// ("", ".", "./") names no sequence: none.
std::optional<std::string> sequenceDirectory(const std::string& sequenceName);

// The folder a sequence name names, relative to the sequence root and written plainly: its
// parts without "." and empty ones, joined by single slashes ("./alpha/" gives "alpha"); none
// for a name that names no sequence. For tools that compare a chosen name with folder names.
std::optional<std::string> sequenceFolderName(const std::string& sequenceName);

} // namespace velorin
