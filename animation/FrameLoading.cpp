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

platform::Ref<platform::CGImage> decodeFrame(std::span<const std::uint8_t> bytes) {
    auto image = platform::UIImage::initWithData(bytes);
    if (!image)
        return nullptr;
    // The image is let go on return; the handle keeps the decoded pixels alive.
    return platform::Ref<platform::CGImage>(image->CGImage());
}

} // namespace velorin
