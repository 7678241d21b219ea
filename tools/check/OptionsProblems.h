// The options half of `velorin-sim check`: what in a sequence's options file an author would
// want to hear of, and where the file puts the animated view on a screen of a given size.
//
// The box, rectangle and run length come from the extension's own placement code, so the tool
// reports exactly what the lock screen shows. The problems are a separate reading of the same
// text: it refuses exactly the text the extension refuses, and then points at what the
// extension reads otherwise than an author may expect (names in other case or misspelt,
// values of the wrong kind, words that read as 0, offsets that are not used, sizes and run
// lengths that cannot show anything whole, rectangles that leave the screen). It reads only
// the bytes.
#pragma once

#include "tools/check/CheckReport.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velorin::tools {

// Reads the options file's content (none when the folder has no readable options file) as
// the extension does, sets the report's box from it, and adds the problems of the file: text
// the extension refuses, names it does not read (with the nearest member's name), values of
// the wrong kind, and sizes and run lengths that cannot show anything whole. `problemFile` is
// the name the problems are reported under: the options file when there is one, else the
// folder.
void checkOptionsFile(std::optional<std::span<const std::uint8_t>> optionsBytes,
                      const std::string& problemFile, CheckReport& report);

// Fills the report's placement on `screen` from the same content (`source` says where it
// stands) and adds a problem when the rectangle leaves the screen.
void checkPlacementOnScreen(std::optional<std::span<const std::uint8_t>> optionsBytes,
                            OptionsSource source, ScreenSize screen, const std::string& problemFile,
                            CheckReport& report);

} // namespace velorin::tools
