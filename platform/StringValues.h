// Reading numbers and truth values out of text, with the platform's documented meanings.
#pragma once

#include "platform/Export.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// `floatValue`: leading white space, an optional sign, digits with an optional decimal point
// and exponent. 0 when the text does not begin with a number.
VELORIN_EXPORT float floatValue(std::string_view text);
// Whether `floatValue` finds a number at the start of the text, rather than reading it as 0.
VELORIN_EXPORT bool beginsWithNumber(std::string_view text);
// `integerValue`: leading white space, an optional sign, decimal digits. 0 when the text does
// not begin with a number; values past the 64-bit range saturate.
VELORIN_EXPORT std::int64_t integerValue(std::string_view text);
// `boolValue`: after leading white space, an optional sign and zeros, true on "Y", "y", "T",
// "t" or a digit 1 to 9; false otherwise.
VELORIN_EXPORT bool boolValue(std::string_view text);

// UTF-16 code units of a UTF-8 text, for positions counted the way the platform's strings
// count them. Malformed bytes each count as one replacement character.
VELORIN_EXPORT std::u16string toUtf16(std::string_view utf8);
VELORIN_EXPORT std::string toUtf8(std::u16string_view utf16);

} // namespace platform
