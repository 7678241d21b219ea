#include "sequences/SequenceOptions.h"

#include "platform/DeviceFileSystem.h"

#include <string>

namespace velorin {

namespace {

// The directory's own trailing slash separates it from the file name.
std::string optionsPath(std::string_view directory) {
    std::string path(directory);
    path += optionsFileName;
    return path;
}

} // namespace

std::optional<std::vector<std::uint8_t>> readSequenceOptions(std::string_view directory) {
    return platform::dataWithContentsOfFile(optionsPath(directory), optionsFileByteLimit);
}

std::optional<std::vector<std::uint8_t>> readSequenceOptions(int root, std::string_view directory) {
    return platform::dataWithContentsOfFile(root, optionsPath(directory), optionsFileByteLimit);
}

bool optionsNestPastLimit(std::span<const std::uint8_t> bytes) {
    std::size_t depth = 0;
    bool inString = false;
    bool escaped = false;
    for (std::uint8_t byte : bytes) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (byte == '\\')
                escaped = true;
            else if (byte == '"')
                inString = false;
            continue;
        }
        if (byte == '"') {
            inString = true;
        } else if (byte == '[' || byte == '{') {
            if (++depth > optionsNestingLimit)
                return true;
        } else if ((byte == ']' || byte == '}') && depth > 0) {
            --depth;
        }
    }
    return false;
}

} // namespace velorin
