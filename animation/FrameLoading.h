// Reading the frame files of a sequence folder; FrameDecoding decodes them.
//
// A frame is opened through a "file:" location. The location percent-encodes the folder path
// and the name, so that it names exactly the listed file whatever the name holds: a space, a
// '%', a '#', a '?' or a letter outside ASCII neither loses the frame nor opens another file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velorin {

// No frame a lock screen can show needs a file this large; a larger one is left out, as an
// unreadable frame is, without reading it.
inline constexpr std::size_t frameFileByteLimit = 64 * 1024 * 1024;

// The location of the frame `name` in the folder at `folderPath` (a device path that ends
// with a slash and, as sequence folders do, has no leading slash).
std::string frameLocation(std::string_view folderPath, std::string_view name);

// The whole file at `location`; none when it cannot be read (missing, a folder, no access,
// past the size limit).
std::optional<std::vector<std::uint8_t>> readFrameFile(std::string_view location);
// The same inside the root folder `root` instead of the process's device root.
std::optional<std::vector<std::uint8_t>> readFrameFile(int root, std::string_view location);

} // namespace velorin
