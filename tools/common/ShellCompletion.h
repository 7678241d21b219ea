// Completion of velorin-sim's commands, actions and options for bash, zsh and fish, made from
// the commands as the parser defines them (see tools/common/CommandOutline.h). An option that
// takes a value completes file names after it, as most take a file or a folder; a command's
// own arguments complete file names too.
#pragma once

#include "tools/common/CommandOutline.h"

#include <string>
#include <vector>

namespace velorin::tools {

enum class Shell { Bash, Zsh, Fish };

// The completion script for `shell`, to be installed where that shell looks for one.
std::string completionScript(Shell shell, const std::vector<CommandOutline>& commands);

} // namespace velorin::tools
