#include "common/QuoteText.h"

namespace velorin::common {

// Built by appending: g++ 12 at -O3 misreads `"\"" + std::string(...)` as an overlapping copy
// and, with warnings as errors, would stop an optimised build.
std::string quoteText(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    for (char character : text) {
        if (character == '"' || character == '\\')
            quoted += '\\';
        quoted += character;
    }
    quoted += '"';
    return quoted;
}

} // namespace velorin::common
