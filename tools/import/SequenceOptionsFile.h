// The options.json of an imported sequence: its box in points, its run's length and where it
// stands on the lock screen.
//
// The file is written from typed values with a JSON library, so it is valid by construction,
// and it names only members the device reads. The place is centred at the bottom unless the
// user says otherwise: "x" is "center", "right" or a number of points, "y" "center", "bottom"
// or a number; the offsets from the right and bottom edges are written only when given.
#pragma once

#include "tools/import/FrameBox.h"

#include <optional>
#include <string>
#include <string_view>

namespace velorin::tools {

struct HorizontalPlace {
    enum class Kind { Center, Right, Points };
    Kind kind{Kind::Center};
    double points{0};
};

struct VerticalPlace {
    enum class Kind { Center, Bottom, Points };
    Kind kind{Kind::Bottom};
    double points{0};
};

struct Placement {
    HorizontalPlace x;
    VerticalPlace y;
    std::optional<double> xOffsetFromBottom;
    std::optional<double> yOffsetFromBottom;
};

// "center", "right" or a finite number; none for anything else.
std::optional<HorizontalPlace> parseHorizontalPlace(std::string_view text);
// "center", "bottom" or a finite number; none for anything else.
std::optional<VerticalPlace> parseVerticalPlace(std::string_view text);

// The file's text, ending in a newline.
std::string sequenceOptionsText(const PointBox& box, double animationDuration,
                                const Placement& placement);

} // namespace velorin::tools
