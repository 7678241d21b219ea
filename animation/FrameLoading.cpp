#include "animation/FrameLoading.h"

#include "platform/DeviceFileSystem.h"

namespace velorin {

std::string frameLocation(std::string_view folderPath, std::string_view name) {
    std::string path{folderPath};
    path += name;
    return "file:///" + platform::percentEncodePath(path);
}

std::optional<std::vector<std::uint8_t>> readFrameFile(std::string_view location) {
    return platform::dataWithContentsOfURL(location, frameFileByteLimit);
}

std::optional<std::vector<std::uint8_t>> readFrameFile(int root, std::string_view location) {
    return platform::dataWithContentsOfURL(root, location, frameFileByteLimit);
}

} // namespace velorin
