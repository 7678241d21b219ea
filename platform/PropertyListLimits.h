// Whether a property list is safe to hand to libplist.
//
// libplist builds its tree by recursion, one level of the C stack per level of nesting, and it
// copies an array or dictionary that a binary list refers to from several places once for each
// reference. A preference file of a few hundred kilobytes nested tens of thousands of levels deep
// overflows the stack, and one of two hundred bytes whose forty arrays each name the next one
// twice expands to 2^40 nodes. The platform's own reader shares such objects and is not
// troubled, so a list past these limits is treated as one that cannot be read: its domain holds
// no keys. Real preference lists nest a few levels and hold a few dozen values.
//
// The check reads only the structure: for XML the nesting of the container elements and the
// value elements, for the binary form the trailer, the offset table and the references of each
// container. Both forms are held to the same two limits, so that a list written in one form
// reads in the other exactly when it read before. A binary
// list whose structure cannot be followed is refused too; libplist would refuse it as well.
#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {

// Deeper lists are refused.
inline constexpr std::size_t maximumPropertyListDepth = 512;
// Lists that would expand to more values (containers, keys and scalars counted once for each
// place they appear) are refused.
inline constexpr std::size_t maximumPropertyListValues = 100'000;

VELORIN_EXPORT bool propertyListWithinLimits(std::span<const std::uint8_t> bytes);

} // namespace platform
