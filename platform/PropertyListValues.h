// The values under chosen keys of a property list's top-level dictionary, read in one pass
// without building the list: how the preference store reads a domain.
//
// libplist builds the whole list with bare allocations and does not survive one that fails (it
// asserts, crashes, frees twice or loops), which inside the host would stop the host. This
// reader keeps only the values asked for, allocates through the standard library, and when
// memory runs out it throws std::bad_alloc having leaked nothing. Its answers are libplist's
// (2.2, as PropertyListDictionary reads lists, limits included), so that the tools, which read
// and write lists with libplist, agree with the extension: the same lists are refused, for the
// same reason, and every key gives the same value. That takes libplist's own ways of reading:
//
// - XML: its tags, comments, CDATA sections and entities as libplist reads them; reading stops
//   where the top-level value ends, whatever follows; a key given twice counts as given last.
// - Binary: every object the top-level value reaches must read, or the list does not; a key
//   given twice counts as given first; a text is cut at its first NUL, except a UTF-16 one.
// - Keys are matched up to their first NUL. Integers are signed 64-bit values (the low 64 bits
//   of a 128-bit one); data, dates, arrays, dictionaries and UIDs carry their kind only.
//
// fuzz/PropertyListValuesFuzzer.cpp holds the reader to libplist on arbitrary bytes.
#pragma once

#include "platform/PropertyList.h"
#include "platform/PropertyValue.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

namespace platform {

// One entry per key asked, in the order asked: the key's value, or none when it is absent.
using PropertyListValues = std::vector<std::optional<PropertyValue>>;

VELORIN_EXPORT std::variant<PropertyListValues, PropertyListFault>
readPropertyListValues(std::span<const std::uint8_t> bytes, std::span<const std::string_view> keys);

} // namespace platform
