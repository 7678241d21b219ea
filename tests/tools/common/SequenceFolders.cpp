#include "tests/tools/common/SequenceFolders.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/FrameImages.h"

#include <fstream>
#include <map>

namespace velorin::testing {

void writeFrames(const std::filesystem::path& folder, const std::vector<std::string>& names,
                 std::uint32_t width, std::uint32_t height) {
    // Encoded once per size: many tests write dozens of frames.
    static std::map<std::pair<std::uint32_t, std::uint32_t>, std::vector<std::uint8_t>> encoded;
    auto& bytes = encoded[{width, height}];
    if (bytes.empty())
        bytes = solidPng(width, height, 200, 40, 90);
    std::filesystem::create_directories(folder);
    for (const auto& name : names)
        writeBytes(folder / name,
                   std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::string> numberedFrameNames(std::string_view prefix, int first, int last) {
    std::vector<std::string> names;
    for (int number = first; number <= last; ++number)
        names.push_back(std::string(prefix) + std::to_string(number) + ".png");
    return names;
}

void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string testData(const std::string& relativePath) {
    return readWholeFile(std::filesystem::path(VELORIN_TEST_DATA_DIR) / relativePath);
}

} // namespace velorin::testing
