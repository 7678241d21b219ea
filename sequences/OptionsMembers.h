// The members of an options file that the placement reads, taken from the text as it is read.
//
// Only the seven members of `optionsMemberNames` are kept, each as the number it reads as and,
// for a string, which of the placement's words it is; nothing else of the file is held, and no
// JSON value is built. A member given twice counts as given last; null, an array or an object
// counts as absent. The text is refused whole, as an unreadable file is, when it is past the
// size or nesting limits, holds a NUL byte, is not valid JSON, or is not an object at its top
// level. Reading allocates only for the text of one string at a time; when that fails it
// throws, and nothing is kept.
#pragma once

#include "sequences/SequenceOptions.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace velorin {

// Narrows a double the way the platform's number objects give a float, but without the
// undefined behaviour of converting a value beyond the float range: it becomes an infinity.
float toFloat(double value);

enum class OptionsWord { None, Center, Right, Bottom };

struct OptionsMemberValue {
    // A number or a truth value (1 or 0) as itself; a string as the number it begins with.
    float number{0};
    // For a string, the placement word it is in exact case; None for any other value.
    OptionsWord word{OptionsWord::None};
    bool operator==(const OptionsMemberValue&) const = default;
};

struct OptionsMembers {
    // The members, numbered in the order of `optionsMemberNames`.
    enum Member : std::size_t {
        Width,
        Height,
        YOffsetFromBottom,
        XOffsetFromBottom,
        AnimationDuration,
        X,
        Y,
    };
    // One entry per member; none when the member is absent.
    std::array<std::optional<OptionsMemberValue>, optionsMemberNames.size()> values;
    bool operator==(const OptionsMembers&) const = default;
};

static_assert(OptionsMembers::Y + 1 == optionsMemberNames.size(), "every member has a number");

std::optional<OptionsMembers> readOptionsMembers(std::span<const std::uint8_t> bytes);

} // namespace velorin
