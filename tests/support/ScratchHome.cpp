#include "tests/support/ScratchHome.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace velorin::testing {

std::vector<std::string> withScratchHome(const std::filesystem::path& scratch,
                                         std::vector<std::string> settings) {
    const std::array<std::pair<std::string_view, std::filesystem::path>, 4> home{{
        {"HOME", scratch / "home"},
        {"XDG_DATA_HOME", scratch / "home/.local/share"},
        {"VELORIN_ROOT", scratch / "user-root"},
        {"TMPDIR", scratch / "tmp"},
    }};
    std::error_code ignored;
    std::filesystem::create_directories(scratch / "home", ignored);
    for (const auto& [name, path] : home) {
        std::string prefix = std::string(name) + "=";
        bool given = std::any_of(settings.begin(), settings.end(), [&](const std::string& setting) {
            return setting.starts_with(prefix);
        });
        if (given)
            continue;
        if (name == "TMPDIR")
            std::filesystem::create_directories(path, ignored);
        settings.push_back(prefix + path.string());
    }
    return settings;
}

ScratchHomeForRun::ScratchHomeForRun() {
    auto pattern = (std::filesystem::temp_directory_path() / "velorin-tests-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make the tests' scratch home from " + pattern);
    m_folder = pattern;
    for (const std::string& setting : withScratchHome(m_folder)) {
        std::size_t equals = setting.find('=');
        ::setenv(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str(), 1);
    }
}

ScratchHomeForRun::~ScratchHomeForRun() {
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

} // namespace velorin::testing
