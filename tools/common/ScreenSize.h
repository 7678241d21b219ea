// A screen size in points, as the `--screen WIDTHxHEIGHT` option of the tools gives it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velorin::tools {

struct ScreenSize {
    double width{0};
    double height{0};
};

// "WIDTHxHEIGHT" in points, both positive and finite, as "400x800", "375.5x812" or "390X844";
// none otherwise. Signs, spaces and anything after the numbers are refused.
std::optional<ScreenSize> parseScreenSize(std::string_view text);

// Why `text` is not a screen size, as a command line's check of a `--screen` option says it;
// empty when it is one.
std::string unreadableScreenSize(const std::string& text);

// A note for a size that looks like pixels rather than points (a width over 1000), with the
// points it would be at scale 3; none for any other size.
std::optional<std::string> screenSizeNote(const ScreenSize& screen);

} // namespace velorin::tools
