#include "sequences/SequenceDirectory.h"

namespace velorin {

std::optional<std::string> sequenceDirectory(const std::string& sequenceName) {
    // The name is joined into a path without escaping, so these are the only names that
    // could reach options or frames outside the sequence's own folder. A NUL would end the
    // path early when it reaches the file system, so "..\0x" would climb out as well.
    if (sequenceName.find_first_of(std::string("/\0", 2)) != std::string::npos ||
        sequenceName == "." || sequenceName == "..")
        return std::nullopt;
    return std::string(sequenceRoot) + sequenceName + "/";
}

} // namespace velorin
