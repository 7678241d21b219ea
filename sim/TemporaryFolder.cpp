#include "sim/TemporaryFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace velorin::sim {

TemporaryFolder makeTemporaryFolder(std::string_view stem) {
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error)
        base = "/tmp";
    TemporaryFolder folder;
    folder.pattern = (base / (std::string(stem) + "-XXXXXX")).string();
    std::vector<char> name(folder.pattern.begin(), folder.pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()))
        folder.path = name.data();
    else
        folder.failure = std::strerror(errno);
    return folder;
}

std::string requireTemporaryFolder(std::string_view stem) {
    auto folder = makeTemporaryFolder(stem);
    if (folder.path.empty())
        throw std::runtime_error(folder.pattern +
                                 ": cannot make a temporary folder: " + folder.failure);
    return folder.path;
}

} // namespace velorin::sim
