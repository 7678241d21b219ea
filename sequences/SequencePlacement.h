// Where the animated view goes in the container, how large it is, and how long one run
// through the frames lasts, from a sequence's optional options file.
//
// The options file is one JSON object written by hand. Seven members are read by their exact
// names; anything the reader cannot use (no file, invalid JSON or UTF-8, a top level that is
// not an object, a member that is null, an array or an object) falls back to the defaults.
// Values are used as they are: sizes, offsets and durations of zero or less are not refused.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace velorin {

struct SequencePlacement {
    float x{0};
    float y{0};
    float width{150};
    float height{150};
    float animationDuration{2};
};

// The placement for a container of the given size. `optionsBytes` is the options file's
// content, or none when there is no readable file.
SequencePlacement computePlacement(std::optional<std::span<const std::uint8_t>> optionsBytes,
                                   double containerWidth, double containerHeight);

} // namespace velorin
