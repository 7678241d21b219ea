#include "common/ProgramLocation.h"

#include <system_error>

namespace velorin::common {

std::optional<std::filesystem::path> besideRunningProgram(const std::filesystem::path& relative) {
    // The kernel's link names the program itself, with any symbolic link that started it
    // already followed, so a link in ~/bin still finds the prefix the program came from.
    std::error_code error;
    auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty())
        return std::nullopt;
    return (program.parent_path() / relative).lexically_normal();
}

} // namespace velorin::common
