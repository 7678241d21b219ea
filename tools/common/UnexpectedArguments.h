// What velorin-sim says about the words its parser did not expect, with a guess at what was
// meant: a misspelt option (`--fsp` → `--fps`), a misspelt action of a command that has them
// (`prefs sett` → `set`), or a second word where an option is meant (`install DIR NAME` →
// `--as NAME`). The guesses come from the parser's own definitions, so they follow the options
// as they change.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace velorin::tools {

// The message for `unexpected` (in the order the user gave them) given to `command`, the
// deepest command parsed; `extraWordOption` (may be null) is the option a plain extra word is
// most likely meant for. The first unexpected word is the one explained: a misspelt option's
// value, and the words after a misspelt action, only follow from it.
std::string unexpectedArgumentsMessage(const CLI::App& command,
                                       const std::vector<std::string>& unexpected,
                                       const char* extraWordOption);

} // namespace velorin::tools
