// The two forms of the property-list value reader (PropertyListValues.h), each for a list that
// is already known to be within the platform's limits and at least eight bytes long.
#pragma once

#include "platform/PropertyListValues.h"

#include <string>

namespace platform::propertylist {

using Reading = std::variant<PropertyListValues, PropertyListFault>;

Reading readXmlValues(std::span<const std::uint8_t> bytes, std::span<const std::string_view> keys);
Reading readBinaryValues(std::span<const std::uint8_t> bytes,
                         std::span<const std::string_view> keys);

// The index of `key` among `keys`, or none; a key is matched up to its first NUL, as a C string,
// and a key asked with a NUL in it is never present.
std::optional<std::size_t> wantedKeyIndex(std::string_view key,
                                          std::span<const std::string_view> keys);

// Appends a code point (at most 0x10FFFF) in UTF-8 as libplist writes one, surrogates too.
void appendUtf8(std::string& text, std::uint32_t codePoint);

} // namespace platform::propertylist
