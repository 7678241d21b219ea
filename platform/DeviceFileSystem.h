// The device's file system, as the platform's foundation library reaches it.
//
// The device root is a folder on this machine that stands for the device's "/". A path is
// resolved against it whether it begins with a slash or not, since the host process runs with
// the root as its working directory. ".." never climbs above the root.
#pragma once

#include "platform/Export.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

PLATFORM_API void setDeviceRoot(const std::string& hostPath);
PLATFORM_API const std::string& deviceRoot();

// The path on this machine that a device path names.
PLATFORM_API std::string resolveDevicePath(std::string_view devicePath);

// `dataWithContentsOfFile:`: the whole file, or none when it is missing, unreadable or not a
// regular file.
PLATFORM_API std::optional<std::vector<std::uint8_t>>
dataWithContentsOfFile(std::string_view devicePath);

// `dataWithContentsOfURL:` for "file://" locations: the path is percent-decoded first. Any
// other scheme, or a location that does not decode, gives none.
PLATFORM_API std::optional<std::vector<std::uint8_t>> dataWithContentsOfURL(std::string_view url);

// `contentsOfDirectoryAtPath:error:`: the names of the entries directly in a folder, files
// and subfolders alike, sorted by name in byte order; none when the folder cannot be read.
PLATFORM_API std::optional<std::vector<std::string>>
contentsOfDirectoryAtPath(std::string_view devicePath);

// Percent-encodes every byte that may not stand as itself in a URL path ('/' is kept).
PLATFORM_API std::string percentEncodePath(std::string_view path);
// Decodes %XX escapes; none when an escape is malformed.
PLATFORM_API std::optional<std::string> percentDecode(std::string_view text);

} // namespace platform
