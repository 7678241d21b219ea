#include "sequences/SequencePlacement.h"

#include "platform/StringValues.h"
#include "sequences/SequenceOptions.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

namespace velorin {

namespace {

using Json = nlohmann::json;

// Narrows a double the way the platform's number objects give a float, but without the
// undefined behaviour of converting a value beyond the float range: it becomes an infinity.
float toFloat(double value) {
    constexpr double largest = std::numeric_limits<float>::max();
    if (value > largest)
        return std::numeric_limits<float>::infinity();
    if (value < -largest)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

// A member's value read as a number: JSON numbers and booleans as themselves, strings as the
// number they begin with. Null, arrays and objects count as absent.
std::optional<float> numberValue(const Json& value) {
    if (value.is_boolean())
        return value.get<bool>() ? 1.0f : 0.0f;
    if (value.is_number())
        return toFloat(value.get<double>());
    if (value.is_string())
        return platform::floatValue(value.get_ref<const std::string&>());
    return std::nullopt;
}

const Json* member(const Json& object, const char* name) {
    auto found = object.find(name);
    if (found == object.end() || found->is_null() || found->is_array() || found->is_object())
        return nullptr;
    return &*found;
}

void readNumber(const Json& object, const char* name, float& field) {
    if (const Json* value = member(object, name)) {
        if (auto number = numberValue(*value))
            field = *number;
    }
}

bool isWord(const Json& value, const char* word) {
    return value.is_string() && value.get_ref<const std::string&>() == word;
}

// Reads "x" or "y": "center" centres the view on that axis, `farEdgeWord` ("right" for x,
// "bottom" for y) puts it against the container's far edge less the offset, and anything else
// is read as a number. Each formula is worked in double precision and stored as a float.
void readPosition(const Json& options, const char* name, const char* farEdgeWord,
                  double containerLength, float size, float offset, float& position) {
    const Json* value = member(options, name);
    if (!value)
        return;
    if (isWord(*value, centerWord))
        position = toFloat(containerLength * 0.5 - double{size} * 0.5);
    else if (isWord(*value, farEdgeWord))
        position = toFloat((containerLength - double{size}) - double{offset});
    else if (auto number = numberValue(*value))
        position = *number;
}

std::optional<Json> parseOptions(std::span<const std::uint8_t> bytes) {
    // A file past the size limit is refused here too, for callers that hold its bytes already.
    if (bytes.size() > optionsFileByteLimit || optionsNestPastLimit(bytes))
        return std::nullopt;
    // UTF-8 JSON text never holds a NUL byte, but nlohmann's reader takes one for the end of the
    // text and would read `{"width": 200}` followed by a NUL and anything at all as options.
    if (std::find(bytes.begin(), bytes.end(), std::uint8_t{0}) != bytes.end())
        return std::nullopt;
    // No exceptions: text the reader refuses simply gives no options.
    Json parsed = Json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object())
        return std::nullopt;
    return parsed;
}

} // namespace

SequencePlacement computePlacement(std::optional<std::span<const std::uint8_t>> optionsBytes,
                                   double containerWidth, double containerHeight) {
    SequencePlacement placement;
    float yOffsetFromBottom = 20;
    float xOffsetFromBottom = 0;
    // The defaults centre a 150-point square horizontally, 20 points above the bottom edge;
    // they do not follow a size or gap the file changes without naming "x" or "y".
    placement.x = toFloat(containerWidth * 0.5 - 75);
    placement.y = toFloat(containerHeight - 150 - 20);

    std::optional<Json> options;
    if (optionsBytes)
        options = parseOptions(*optionsBytes);
    if (!options)
        return placement;

    // The sizes and offsets come first, so the "x" and "y" formulas see the file's values
    // whatever the order of the members in the file.
    readNumber(*options, optionsMember::width, placement.width);
    readNumber(*options, optionsMember::height, placement.height);
    readNumber(*options, optionsMember::yOffsetFromBottom, yOffsetFromBottom);
    readNumber(*options, optionsMember::xOffsetFromBottom, xOffsetFromBottom);
    readNumber(*options, optionsMember::animationDuration, placement.animationDuration);

    readPosition(*options, optionsMember::x, rightWord, containerWidth, placement.width,
                 xOffsetFromBottom, placement.x);
    readPosition(*options, optionsMember::y, bottomWord, containerHeight, placement.height,
                 yOffsetFromBottom, placement.y);
    return placement;
}

} // namespace velorin
