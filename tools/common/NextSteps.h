// What a command that puts a sequence into a device root says last: whether the new sequence
// is the one the root's preferences choose and whether the extension is on, with the exact
// commands that choose it and turn it on; for a sequence written outside any root, the command
// that installs it.
//
// The commands are written to be typed as they are: words a shell would split or expand are
// quoted, and `--root` is given only when the root is not the user's own.
#pragma once

#include <string>

namespace velorin::tools {

// A word as a shell reads it back: as it is when it holds only safe characters, in single
// quotes otherwise.
std::string shellWord(const std::string& word);

// The lines after a sequence `name` is added to `root`; `givenRoot` is the root as the user
// named it (empty for their own).
std::string nextStepsInRoot(const std::string& root, const std::string& givenRoot,
                            const std::string& name);

// The line after a sequence is written into `folder`, outside any device root.
std::string nextStepsOutsideRoot(const std::string& folder);

} // namespace velorin::tools
