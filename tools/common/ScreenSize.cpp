#include "tools/common/ScreenSize.h"

#include "common/QuoteText.h"

#include <charconv>
#include <cmath>
#include <sstream>

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
    auto separator = text.find_first_of("xX");
    if (separator == text.npos)
        return std::nullopt;
    auto width = parsePositiveNumber(text.substr(0, separator));
    auto height = parsePositiveNumber(text.substr(separator + 1));
    if (!width || !height)
        return std::nullopt;
    return ScreenSize{*width, *height};
}

} // namespace velorin::tools

namespace velorin::tools {

std::optional<std::string> screenSizeNote(const ScreenSize& screen) {
    if (screen.width <= 1000)
        return std::nullopt;
    auto points = [](double pixels) {
        std::ostringstream text;
        text << pixels / 3;
        return text.str();
    };
    return "note: --screen is in points; a width of " + points(screen.width * 3) +
           " points is wider than any phone. If you gave pixels, at scale 3 that is " +
           points(screen.width) + "x" + points(screen.height) + " points";
}

std::string unreadableScreenSize(const std::string& text) {
    return parseScreenSize(text)
               ? std::string()
               : common::quoteText(text) + " is not WIDTHxHEIGHT in points, both above 0, such as "
                                           "400x800";
}

} // namespace velorin::tools
