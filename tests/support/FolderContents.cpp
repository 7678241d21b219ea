#include "tests/support/FolderContents.h"

#include <fstream>

namespace velorin::testing {

namespace fs = std::filesystem;

void writeFileMakingFolders(const fs::path& path, std::string_view contents) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
}

std::map<std::string, std::string> entriesOf(const fs::path& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::string name = fs::relative(entry.path(), folder).string();
        if (entry.is_symlink())
            entries[name] = "link";
        else if (entry.is_directory())
            entries[name] = "folder";
        else
            entries[name] = std::to_string(entry.file_size());
    }
    return entries;
}

} // namespace velorin::testing
