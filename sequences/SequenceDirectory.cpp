#include "sequences/SequenceDirectory.h"

#include <string_view>

namespace velorin {

std::optional<std::string> sequenceFolderName(const std::string& sequenceName) {
    // A NUL would end the path early when it reaches the file system.
    if (sequenceName.find('\0') != std::string::npos)
        return std::nullopt;
    std::string folder;
    std::string_view rest = sequenceName;
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        // ".." climbs: out of the sequence root at once, or, after a folder that is a link,
        // out of wherever the link leads; so it is never followed.
        if (part == "..")
            return std::nullopt;
        if (!folder.empty())
            folder += '/';
        folder += part;
    }
    if (folder.empty())
        return std::nullopt;
    return folder;
}

std::optional<std::string> sequenceDirectory(const std::string& sequenceName) {
    if (!sequenceFolderName(sequenceName))
        return std::nullopt;
    return std::string(sequenceRoot) + sequenceName + "/";
}

} // namespace velorin
