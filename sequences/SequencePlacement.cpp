#include "sequences/SequencePlacement.h"

#include "sequences/OptionsMembers.h"

namespace velorin {

namespace {

void readNumber(const OptionsMembers& options, OptionsMembers::Member member, float& field) {
    if (const auto& value = options.values[member])
        field = value->number;
}

// Reads "x" or "y": "center" centres the view on that axis, `farEdgeWord` ("right" for x,
// "bottom" for y) puts it against the container's far edge less the offset, and anything else
// is read as a number. Each formula is worked in double precision and stored as a float.
void readPosition(const OptionsMembers& options, OptionsMembers::Member member,
                  OptionsWord farEdgeWord, double containerLength, float size, float offset,
                  float& position) {
    const auto& value = options.values[member];
    if (!value)
        return;
    if (value->word == OptionsWord::Center)
        position = toFloat(containerLength * 0.5 - double{size} * 0.5);
    else if (value->word == farEdgeWord)
        position = toFloat((containerLength - double{size}) - double{offset});
    else
        position = value->number;
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

    std::optional<OptionsMembers> options;
    if (optionsBytes)
        options = readOptionsMembers(*optionsBytes);
    if (!options)
        return placement;

    // The sizes and offsets come first, so the "x" and "y" formulas see the file's values
    // whatever the order of the members in the file.
    readNumber(*options, OptionsMembers::Width, placement.width);
    readNumber(*options, OptionsMembers::Height, placement.height);
    readNumber(*options, OptionsMembers::YOffsetFromBottom, yOffsetFromBottom);
    readNumber(*options, OptionsMembers::XOffsetFromBottom, xOffsetFromBottom);
    readNumber(*options, OptionsMembers::AnimationDuration, placement.animationDuration);

    readPosition(*options, OptionsMembers::X, OptionsWord::Right, containerWidth, placement.width,
                 xOffsetFromBottom, placement.x);
    readPosition(*options, OptionsMembers::Y, OptionsWord::Bottom, containerHeight,
                 placement.height, yOffsetFromBottom, placement.y);
    return placement;
}

} // namespace velorin
