#include "sim/TemporaryFolder.h"

#include "sim/StagingFolders.h"
#include "sim/SystemError.h"

#include <cerrno>
#include <filesystem>
#include <new>
#include <system_error>

namespace velorin::sim {

Result<TemporaryFolder> TemporaryFolder::make(std::string_view stem) {
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error)
        base = "/tmp";
    // The leading dot of a staging folder's name is not used here: these stay visible, so that
    // a user looking into $TMPDIR sees whose they are.
    removeAbandonedStagingFolders(base, stem, StagingName::Visible);
    TemporaryFolder folder;
    folder.m_path =
        makeLockedStagingFolder(base, std::string(stem), folder.m_lock, StagingName::Visible);
    if (folder.m_path.empty())
        return Fault((base / (std::string(stem) + "-XXXXXX")).string(),
                     "cannot make a temporary folder: " + describeSystemError(errno));
    return folder;
}

TemporaryFolder::TemporaryFolder(TemporaryFolder&& other) noexcept
    : m_path(std::move(other.m_path)), m_lock(std::move(other.m_lock)) {
    other.m_path.clear();
}

TemporaryFolder& TemporaryFolder::operator=(TemporaryFolder&& other) noexcept {
    if (this != &other) {
        remove();
        m_path = std::move(other.m_path);
        m_lock = std::move(other.m_lock);
        other.m_path.clear();
    }
    return *this;
}

TemporaryFolder::~TemporaryFolder() {
    remove();
}

void TemporaryFolder::remove() noexcept {
    if (m_path.empty())
        return;
    // Removed while still locked, so that no other command takes it meanwhile. Removing takes
    // memory; without it the folder stays, unlocked, and the next command of its kind removes it.
    try {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    } catch (const std::bad_alloc&) {
    }
    m_path.clear();
    m_lock = platform::FileDescriptor();
}

} // namespace velorin::sim
