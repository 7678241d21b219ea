// The placement half of `velorin-sim check`: where a sequence's options file puts the animated
// view on a screen of a given size, and what in the file an author would want to hear of.
//
// The rectangle and run length come from the extension's own placement code, so the tool
// reports exactly what the lock screen shows. The problems are a separate reading of the same
// text: it refuses exactly the text the extension refuses, and then points at what the
// extension reads otherwise than an author may expect (names in other case, values of the
// wrong kind, words that read as 0, offsets that are not used, sizes and run lengths that
// cannot show anything whole, rectangles that leave the screen). It reads only the bytes.
#pragma once

#include "tools/check/CheckReport.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velorin::tools {

// Fills the report's placement on `screen` from the options file's content (none when the
// folder has no readable options file; `source` says which) and adds the problems of the file
// and of the rectangle. `problemFile` is the name the problems are reported under: the options
// file when there is one, else the folder.
void checkOptions(std::optional<std::span<const std::uint8_t>> optionsBytes, OptionsSource source,
                  ScreenSize screen, const std::string& problemFile, CheckReport& report);

} // namespace velorin::tools
