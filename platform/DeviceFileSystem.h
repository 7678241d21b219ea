// The device's file system, as the platform's foundation library reaches it.
//
// The device root is a folder on this machine that stands for the device's "/". A path is
// resolved against it whether it begins with a slash or not, since the host process runs with
// the root as its working directory. Nothing resolved here leaves the root: ".." stops at it
// and absolute link targets are read from it (see platform/RootedPath.h).
//
// Every read is bounded by the caller: a file larger than the limit it gives, or one that
// grows past it while being read, counts as unreadable, and no memory is taken for it beyond
// the limit. Files are read with read(2) calls, never mapped, so a file cut short meanwhile
// cannot stop the process.
#pragma once

#include "platform/Export.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The root starts as $VELORIN_DEVICE_ROOT when that is set, else as this machine's "/".
VELORIN_EXPORT void setDeviceRoot(const std::string& hostPath);
VELORIN_EXPORT const std::string& deviceRoot();

// The path on this machine that a device path names.
VELORIN_EXPORT std::string resolveDevicePath(std::string_view devicePath);

// `dataWithContentsOfFile:`: the whole file, or none when it is missing, unreadable, not a
// regular file, or longer than `maximumBytes`.
VELORIN_EXPORT std::optional<std::vector<std::uint8_t>>
dataWithContentsOfFile(std::string_view devicePath, std::size_t maximumBytes);

// `dataWithContentsOfURL:` for "file://" locations: the path is percent-decoded first. Any
// other scheme, or a location that does not decode, gives none.
VELORIN_EXPORT std::optional<std::vector<std::uint8_t>>
dataWithContentsOfURL(std::string_view url, std::size_t maximumBytes);

// The first `byteCount` bytes (fewer when the file is shorter) of the regular file at a "file://"
// location, when the whole file is no longer than `maximumFileBytes`; none otherwise. For
// reading a header without reading the file.
VELORIN_EXPORT std::optional<std::vector<std::uint8_t>>
leadingBytesOfURL(std::string_view url, std::size_t byteCount, std::size_t maximumFileBytes);

// A file on this machine, outside any device root, read the same bounded way.
VELORIN_EXPORT std::optional<std::vector<std::uint8_t>>
contentsOfHostFile(const std::string& hostPath, std::size_t maximumBytes);

// A file already opened, read the same bounded way from where it stands; for tools that open
// inside a root themselves and need to know why a file was refused.
VELORIN_EXPORT std::optional<std::vector<std::uint8_t>>
contentsOfOpenFile(int descriptor, std::size_t maximumBytes);

// `contentsOfDirectoryAtPath:error:`: the names of the entries directly in a folder, files
// and subfolders alike, sorted by name in byte order; none when the folder cannot be read.
// At most `maximumEntries` names are read; the folder's further entries are left out.
VELORIN_EXPORT std::optional<std::vector<std::string>>
contentsOfDirectoryAtPath(std::string_view devicePath, std::size_t maximumEntries);

// The reads above inside the root folder `root` (opened with openRootFolder) instead of the
// process's device root: for tools that read a device root of their choosing while the
// process's root stays where it is.
VELORIN_EXPORT std::optional<std::vector<std::uint8_t>>
dataWithContentsOfFile(int root, std::string_view devicePath, std::size_t maximumBytes);
VELORIN_EXPORT std::optional<std::vector<std::uint8_t>>
dataWithContentsOfURL(int root, std::string_view url, std::size_t maximumBytes);
VELORIN_EXPORT std::optional<std::vector<std::string>>
contentsOfDirectoryAtPath(int root, std::string_view devicePath, std::size_t maximumEntries);

// How folder listings are ordered. The device lists a folder in no set order, and which name
// comes first matters to a sequence (it sets the prefix length its frames are ordered by). The
// stand-in lists in byte order, or, to try how a sequence plays when another name comes
// first, in an order shuffled from a seed: the same seed always gives the same order.
enum class ListingOrder { ByteOrder, Shuffled };
VELORIN_EXPORT void setListingOrder(ListingOrder order, std::uint64_t seed = 0);

// Percent-encodes every byte that may not stand as itself in a URL path ('/' is kept).
VELORIN_EXPORT std::string percentEncodePath(std::string_view path);
// Decodes %XX escapes; none when an escape is malformed.
VELORIN_EXPORT std::optional<std::string> percentDecode(std::string_view text);

} // namespace platform
