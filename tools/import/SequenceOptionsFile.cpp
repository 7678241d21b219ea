#include "tools/import/SequenceOptionsFile.h"

#include "sequences/SequenceOptions.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

namespace velorin::tools {

namespace {

std::optional<double> parseNumber(std::string_view text) {
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Durations and sizes are written to the microsecond or millionth of a point, so that sums
// such as 0.1 + 0.25 + 0.25 read as the 0.6 they stand for.
double tidy(double value) {
    return std::round(value * 1e6) / 1e6;
}

} // namespace

std::optional<HorizontalPlace> parseHorizontalPlace(std::string_view text) {
    if (text == centerWord)
        return HorizontalPlace{HorizontalPlace::Kind::Center, 0};
    if (text == rightWord)
        return HorizontalPlace{HorizontalPlace::Kind::Right, 0};
    if (auto points = parseNumber(text))
        return HorizontalPlace{HorizontalPlace::Kind::Points, *points};
    return std::nullopt;
}

std::optional<VerticalPlace> parseVerticalPlace(std::string_view text) {
    if (text == centerWord)
        return VerticalPlace{VerticalPlace::Kind::Center, 0};
    if (text == bottomWord)
        return VerticalPlace{VerticalPlace::Kind::Bottom, 0};
    if (auto points = parseNumber(text))
        return VerticalPlace{VerticalPlace::Kind::Points, *points};
    return std::nullopt;
}

std::string sequenceOptionsText(const PointBox& box, double animationDuration,
                                const Placement& placement) {
    // The names and words are the ones the extension reads (sequences/SequenceOptions.h).
    nlohmann::ordered_json options;
    options[optionsMember::width] = tidy(box.width);
    options[optionsMember::height] = tidy(box.height);
    options[optionsMember::animationDuration] = tidy(animationDuration);
    switch (placement.x.kind) {
    case HorizontalPlace::Kind::Center:
        options[optionsMember::x] = centerWord;
        break;
    case HorizontalPlace::Kind::Right:
        options[optionsMember::x] = rightWord;
        break;
    case HorizontalPlace::Kind::Points:
        options[optionsMember::x] = placement.x.points;
        break;
    }
    switch (placement.y.kind) {
    case VerticalPlace::Kind::Center:
        options[optionsMember::y] = centerWord;
        break;
    case VerticalPlace::Kind::Bottom:
        options[optionsMember::y] = bottomWord;
        break;
    case VerticalPlace::Kind::Points:
        options[optionsMember::y] = placement.y.points;
        break;
    }
    if (placement.xOffsetFromBottom)
        options[optionsMember::xOffsetFromBottom] = *placement.xOffsetFromBottom;
    if (placement.yOffsetFromBottom)
        options[optionsMember::yOffsetFromBottom] = *placement.yOffsetFromBottom;
    return options.dump(2) + "\n";
}

} // namespace velorin::tools
