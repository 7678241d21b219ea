// A screen size in points, as the `--screen WIDTHxHEIGHT` option of the tools gives it.
#pragma once

#include <optional>
#include <string_view>

namespace velorin::tools {

struct ScreenSize {
    double width{0};
    double height{0};
};

// "WIDTHxHEIGHT" in points, both positive and finite, as "400x800" or "375.5x812"; none
// otherwise. Signs, spaces and anything after the numbers are refused.
std::optional<ScreenSize> parseScreenSize(std::string_view text);

} // namespace velorin::tools
