// Loads arbitrary bytes as the preference domain's property list. The bytes are written to a
// domain file in a private temporary folder, made once per process, that the preference store
// is pointed at; then the settings are loaded as the extension loads them, reading the file
// once for every key. Loading never fails, so besides the sanitizers' findings the only
// check is that the sequence name, which falls back to the default sequence, is never empty.
#include "platform/PreferenceStore.h"
#include "settings/Settings.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string& temporaryFolder() {
    static std::string folder;
    return folder;
}

std::string& domainFile() {
    static std::string file;
    return file;
}

void removeTemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(temporaryFolder(), ignored);
}

// Memory-backed when the machine has such a folder: rewriting a file in place on a disk file
// system may wait for the disk at every input, which would make this target a hundred times
// slower than the others. TMPDIR, when set, is obeyed.
std::filesystem::path temporaryParent() {
    std::error_code error;
    if (!std::getenv("TMPDIR") && std::filesystem::is_directory("/dev/shm", error))
        return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    auto pattern = (temporaryParent() / "velorin-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("cannot make a temporary preference folder");
        std::abort();
    }
    temporaryFolder() = pattern;
    std::atexit(removeTemporaryFolder);
    platform::setPreferenceDirectory(temporaryFolder());
    domainFile() = platform::preferenceFilePath(velorin::preferenceDomain);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(domainFile().c_str(), "wb");
    if (!file)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);

    velorin::readSettings();
    if (velorin::settings().sequenceName.empty())
        std::abort();
    return 0;
}
