#include "tools/common/SampleRootManifest.h"

#include "common/SystemCalls.h"
#include "platform/DeviceFileSystem.h"

#include <charconv>
#include <filesystem>
#include <sstream>
#include <system_error>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view formatLine = "velorin sample root manifest 1";
// A manifest of the bundled samples is a few kilobytes; this leaves room for many more.
constexpr std::size_t maximumManifestBytes = 4 << 20;

// A path that stays inside the root: relative, and without empty, "." or ".." parts.
bool isPlainRelativePath(std::string_view path) {
    if (path.empty() || path.front() == '/')
        return false;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = std::min(path.find('/', start), path.size());
        std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return path != sampleRootManifestName;
}

std::optional<std::uintmax_t> readCount(std::string_view text) {
    std::uintmax_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// The manifest's lines read as files; a message saying what is wrong with it otherwise.
common::Result<std::vector<SampleRootFile>> parseManifest(const std::string& text) {
    const common::Fault damaged("its manifest is damaged");
    if (text.empty() || text.back() != '\n')
        return common::Fault("its manifest is cut short");
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != formatLine)
        return common::Fault("its manifest is not one this velorin-sim reads");
    std::vector<SampleRootFile> files;
    while (std::getline(lines, line)) {
        if (line.starts_with("end ")) {
            auto count = readCount(std::string_view(line).substr(4));
            // Nothing may follow the closing line, and it must count what came before it.
            if (!count || *count != files.size() || lines.peek() != std::char_traits<char>::eof())
                return damaged;
            if (files.empty())
                return common::Fault("its manifest lists no files");
            return files;
        }
        std::size_t space = line.find(' ');
        if (space == std::string::npos)
            return damaged;
        auto size = readCount(std::string_view(line).substr(0, space));
        std::string path = line.substr(space + 1);
        if (!size || !isPlainRelativePath(path))
            return damaged;
        files.push_back({std::move(path), *size});
    }
    return common::Fault("its manifest is cut short");
}

} // namespace

common::Result<std::vector<SampleRootFile>> readWholeSampleRoot(const std::string& root) {
    std::error_code error;
    if (!fs::is_directory(root, error))
        return common::Fault(root, "it does not exist");
    fs::path manifestPath = fs::path(root) / sampleRootManifestName;
    auto bytes = platform::contentsOfHostFile(manifestPath.string(), maximumManifestBytes);
    if (!bytes) {
        bool present = fs::exists(fs::symlink_status(manifestPath, error));
        return common::Fault(root, present ? "its manifest cannot be read"
                                           : "it has no manifest: it is still being made, or "
                                             "making it was cut short");
    }
    auto files = parseManifest(std::string(bytes->begin(), bytes->end()));
    if (!files)
        return common::Fault(root, files.fault().message);
    for (const SampleRootFile& file : files.value()) {
        fs::path path = fs::path(root) / file.path;
        auto status = fs::symlink_status(path, error);
        if (!fs::is_regular_file(status))
            return common::Fault(
                root, file.path + (fs::exists(status) ? " is not a plain file" : " is missing"));
        std::uintmax_t size = fs::file_size(path, error);
        if (error)
            return common::Fault(
                root, file.path + " cannot be read: " + common::describeSystemError(error));
        if (size != file.size)
            return common::Fault(root, file.path + " holds " + std::to_string(size) +
                                           " bytes where the manifest lists " +
                                           std::to_string(file.size));
    }
    return files;
}

} // namespace velorin::tools
