#include "sim/TemporaryFolder.h"

#include "sim/SystemError.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace velorin::sim {

Result<std::string> makeTemporaryFolder(std::string_view stem) {
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error)
        base = "/tmp";
    std::string pattern = (base / (std::string(stem) + "-XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data()))
        return Fault(pattern, "cannot make a temporary folder: " + describeSystemError(errno));
    return std::string(name.data());
}

} // namespace velorin::sim
