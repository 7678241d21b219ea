#include "sequences/SequenceOptions.h"

#include "platform/DeviceFileSystem.h"

#include <string>

namespace velorin {

std::optional<std::vector<std::uint8_t>> readSequenceOptions(std::string_view directory) {
    // The directory's own trailing slash separates it from the file name.
    std::string path(directory);
    path += optionsFileName;
    return platform::dataWithContentsOfFile(path, optionsFileByteLimit);
}

} // namespace velorin
