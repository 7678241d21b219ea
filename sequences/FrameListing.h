// Which entries of a sequence folder are frames.
//
// A sequence folder holds its frames as PNG files side by side with `options.json` and
// whatever else its author put there. An entry is a frame when its extension, the text after
// the last period of its name, is exactly "png"; the name alone decides, so upper-case
// variants are not frames and a subfolder named like a frame is one (and then fails to
// decode). Subfolders are never entered.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velorin {

inline constexpr std::string_view frameExtension = "png";

// A sequence folder is listed up to this many entries; entries past it are left out, as
// frames that cannot be read are, so a folder of millions of names costs no more than this.
inline constexpr std::size_t folderListingLimit = 10'000;

// The text after the last period of `name`; empty when the name holds no period.
std::string_view pathExtension(std::string_view name);

bool isFrameName(std::string_view name);

// The names of the entries directly in the folder at `folderPath` (a device path), at most
// `folderListingLimit` of them, sorted by name in byte order; none when the folder cannot be
// read.
std::optional<std::vector<std::string>> listSequenceFolder(std::string_view folderPath);
// The same inside the root folder `root` instead of the process's device root.
std::optional<std::vector<std::string>> listSequenceFolder(int root, std::string_view folderPath);

// The frame names of a listing, in listing order.
std::vector<std::string> filterFrameNames(const std::vector<std::string>& names);

} // namespace velorin
