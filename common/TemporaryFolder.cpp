#include "common/TemporaryFolder.h"

#include <filesystem>
#include <system_error>

namespace velorin::common {

Result<TemporaryFolder> TemporaryFolder::make(std::string_view stem) {
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error)
        base = "/tmp";
    removeAbandonedStagingFolders(base, stem, StagingName::Visible);
    TemporaryFolder folder;
    folder.m_folder = TRY(StagingFolder::make(base, stem, StagingName::Visible)
                              .withContext((base / (std::string(stem) + "-XXXXXX")).string(),
                                           "cannot make a temporary folder"));
    return folder;
}

} // namespace velorin::common
