#include "tools/SampleRoot.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace velorin::tools {

namespace {

bool isFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

} // namespace

std::string bundledSampleRoot() {
    if (const char* fromEnvironment = std::getenv("VELORIN_SAMPLE_ROOT"))
        return fromEnvironment;
    for (const char* candidate :
         {VELORIN_BUILD_SAMPLE_ROOT, VELORIN_INSTALLED_SAMPLE_ROOT, VELORIN_SOURCE_SAMPLE_ROOT}) {
        if (isFolder(candidate))
            return candidate;
    }
    return VELORIN_INSTALLED_SAMPLE_ROOT;
}

ToolResult<std::string> chooseDeviceRoot(const std::string& givenRoot) {
    std::string root = givenRoot.empty() ? bundledSampleRoot() : givenRoot;
    if (!isFolder(root))
        return ToolError{root, "no such device root (expected a folder)"};
    return root;
}

} // namespace velorin::tools
