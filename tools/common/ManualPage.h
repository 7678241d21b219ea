// velorin-sim(1), the manual page, made from the commands as the parser defines them (see
// tools/common/CommandOutline.h): one page with every command, its arguments and options in
// the words of their `--help`, and what the whole program shares (the device root, colour,
// exit status).
#pragma once

#include "tools/common/CommandOutline.h"

#include <string>
#include <vector>

namespace velorin::tools {

// The page in roff, as man reads it; `description` is the program's one line.
std::string manualPage(const std::string& description, const std::vector<CommandOutline>& commands);

} // namespace velorin::tools
