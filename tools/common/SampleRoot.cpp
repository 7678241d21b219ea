#include "tools/common/SampleRoot.h"

#include "sim/ProgramLocation.h"

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
    // An installed program uses the root installed beside it first, whatever the prefix; a
    // program in the build tree has none there and uses the tree's.
    auto besideProgram = sim::besideRunningProgram(VELORIN_SAMPLE_ROOT_FROM_PROGRAM);
    for (const std::string& candidate :
         {besideProgram ? besideProgram->string() : std::string(),
          std::string(VELORIN_BUILD_SAMPLE_ROOT), std::string(VELORIN_INSTALLED_SAMPLE_ROOT),
          std::string(VELORIN_SOURCE_SAMPLE_ROOT)}) {
        if (!candidate.empty() && isFolder(candidate))
            return candidate;
    }
    return VELORIN_INSTALLED_SAMPLE_ROOT;
}

sim::Result<std::string> chooseDeviceRoot(const std::string& givenRoot) {
    std::string root = givenRoot.empty() ? bundledSampleRoot() : givenRoot;
    if (!isFolder(root))
        return sim::Fault(root, "no such device root (expected a folder)");
    return root;
}

} // namespace velorin::tools
