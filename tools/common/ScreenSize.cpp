#include "tools/common/ScreenSize.h"

#include <charconv>
#include <cmath>

namespace velorin::tools {

namespace {

// A whole text read as a finite number above zero, or none.
std::optional<double> parsePositiveNumber(std::string_view text) {
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        !(value > 0))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<ScreenSize> parseScreenSize(std::string_view text) {
    auto separator = text.find('x');
    if (separator == text.npos)
        return std::nullopt;
    auto width = parsePositiveNumber(text.substr(0, separator));
    auto height = parsePositiveNumber(text.substr(separator + 1));
    if (!width || !height)
        return std::nullopt;
    return ScreenSize{*width, *height};
}

} // namespace velorin::tools
