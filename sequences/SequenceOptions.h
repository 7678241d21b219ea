// A sequence's options file: where it lies, what it may hold, and reading it.
//
// The file is one JSON object written by hand. These are the members the extension reads, by
// their exact, case-sensitive names, and the words "x" and "y" take besides numbers; the
// placement reads them and the tools check authors' files against the same names.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace velorin {

inline constexpr std::string_view optionsFileName = "options.json";

// An options file holds a handful of members. A larger file, or one nested deeper, is refused
// whole before anything is built from it, as an unreadable file is: all options default.
inline constexpr std::size_t optionsFileByteLimit = 1024 * 1024;
inline constexpr std::size_t optionsNestingLimit = 64;

namespace optionsMember {
inline constexpr const char* width = "width";
inline constexpr const char* height = "height";
inline constexpr const char* yOffsetFromBottom = "yOffsetFromBottom";
inline constexpr const char* xOffsetFromBottom = "xOffsetFromBottom";
inline constexpr const char* animationDuration = "animationDuration";
inline constexpr const char* x = "x";
inline constexpr const char* y = "y";
} // namespace optionsMember

// Every member read, in the order the placement takes them.
inline constexpr std::array<const char*, 7> optionsMemberNames{optionsMember::width,
                                                               optionsMember::height,
                                                               optionsMember::yOffsetFromBottom,
                                                               optionsMember::xOffsetFromBottom,
                                                               optionsMember::animationDuration,
                                                               optionsMember::x,
                                                               optionsMember::y};

// "x" and "y" as "center" centre the view on that axis; "x" as "right" and "y" as "bottom" put
// it against the container's far edge, less the matching offset.
inline constexpr const char* centerWord = "center";
inline constexpr const char* rightWord = "right";
inline constexpr const char* bottomWord = "bottom";

// The options file of the sequence folder `directory` (a device path that ends with a slash),
// read whole; none when it cannot be read (missing, a folder, no access, past the size limit).
std::optional<std::vector<std::uint8_t>> readSequenceOptions(std::string_view directory);
// The same inside the root folder `root` instead of the process's device root.
std::optional<std::vector<std::uint8_t>> readSequenceOptions(int root, std::string_view directory);

// Whether arrays and objects nest deeper than `optionsNestingLimit` anywhere in the text;
// brackets inside strings do not count. Such a text is refused before the reader builds
// anything, since the reader would otherwise build every level first.
bool optionsNestPastLimit(std::span<const std::uint8_t> bytes);

} // namespace velorin
