// Text in double quotes, as the trace gives a host's answer and as every message gives the
// word, value or name it is about.
//
// A double quote or a backslash in the text is escaped with a backslash, so that the quoted
// text reads back unambiguously: `"text"`, with `\"` and `\\` inside. The trace's lines depend on
// exactly this form, and the scenario reader reads strings written so. Nothing else is escaped:
// line breaks, control characters and bytes that are not UTF-8 pass through as they are.
#pragma once

#include <string>
#include <string_view>

namespace velorin::common {

std::string quoteText(std::string_view text);

} // namespace velorin::common
