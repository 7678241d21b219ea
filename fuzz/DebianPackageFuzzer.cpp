// Reads arbitrary bytes as a theme package (.deb) the way install reads one, unpacking into a
// private folder. Whatever it holds, nothing may be written outside that folder, and what is
// unpacked must be sequence folders of plain files only: frames and options.json.
#include "common/TemporaryFolder.h"
#include "tools/install/DebianPackageReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace fs = std::filesystem;
    auto parent = velorin::common::TemporaryFolder::make("velorin-package-fuzz");
    if (!parent)
        std::abort();
    // The reader unpacks into a folder inside the private one, so that anything written beside
    // it would show as a stray entry.
    fs::path folder = fs::path(parent.value().path()) / "unpacked";
    fs::create_directory(folder);
    auto read = velorin::tools::readDebianPackageBytes({data, size}, "fuzz.deb", folder.string());
    if (!read && read.fault().message.empty())
        std::abort();
    for (const auto& entry : fs::directory_iterator(parent.value().path())) {
        if (entry.path() != folder)
            std::abort();
    }
    for (const auto& sequence : fs::directory_iterator(folder)) {
        if (!fs::is_directory(fs::symlink_status(sequence.path())))
            std::abort();
        for (const auto& file : fs::directory_iterator(sequence.path())) {
            std::string name = file.path().filename().string();
            if (!fs::is_regular_file(fs::symlink_status(file.path())) ||
                (name != "options.json" && !name.ends_with(".png")))
                std::abort();
        }
    }
    return 0;
}
