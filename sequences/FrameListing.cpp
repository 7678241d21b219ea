#include "sequences/FrameListing.h"

#include "platform/DeviceFileSystem.h"

namespace velorin {

std::string_view pathExtension(std::string_view name) {
    auto period = name.rfind('.');
    if (period == std::string_view::npos)
        return {};
    return name.substr(period + 1);
}

bool isFrameName(std::string_view name) {
    return pathExtension(name) == frameExtension;
}

std::optional<std::vector<std::string>> listSequenceFolder(std::string_view folderPath) {
    return platform::contentsOfDirectoryAtPath(folderPath, folderListingLimit);
}

std::optional<std::vector<std::string>> listSequenceFolder(int root, std::string_view folderPath) {
    return platform::contentsOfDirectoryAtPath(root, folderPath, folderListingLimit);
}

std::vector<std::string> filterFrameNames(const std::vector<std::string>& names) {
    std::vector<std::string> frames;
    for (const auto& name : names) {
        if (isFrameName(name))
            frames.push_back(name);
    }
    return frames;
}

} // namespace velorin
