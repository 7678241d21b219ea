#include "tools/import/MediaSource.h"

#include "tools/import/ImportableFile.h"
#include "tools/import/sources/SourceFormats.h"

#include <filesystem>
#include <sys/stat.h>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

// Enough of a file for every allowed format to be recognised by its opening bytes.
constexpr std::size_t headBytes = 1024 * 1024;

bool isSchemeCharacter(char character) {
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
           (character >= '0' && character <= '9') || character == '+' || character == '-' ||
           character == '.';
}

std::vector<std::uint8_t> readHead(const SourceFile& file) {
    std::vector<std::uint8_t> head(headBytes);
    std::int64_t count = file.readAt(0, head.data(), head.size());
    head.resize(static_cast<std::size_t>(std::max<std::int64_t>(count, 0)));
    return head;
}

} // namespace

bool looksLikeUrl(const std::string& text) {
    std::size_t end = 0;
    while (end < text.size() && isSchemeCharacter(text[end]))
        ++end;
    if (end == 0 || end == text.size())
        return false;
    // "scheme:..." names a protocol; so does "scheme,...:...", the way FFmpeg's "subfile"
    // protocol is written.
    return text[end] == ':' || (text[end] == ',' && text.find(':', end) != std::string::npos);
}

std::string canvasBound() {
    return "import reads: at most " + std::to_string(maximumCanvasSide) + " pixels a side and " +
           std::to_string(maximumCanvasPixels / 1000000) + " million pixels in all";
}

common::Result<void> checkCanvasSize(const std::string& file, std::uint64_t width,
                                     std::uint64_t height, std::string_view what) {
    if (width == 0 || height == 0)
        return common::Fault(file, std::string(what) + "has no size (a side of 0 pixels)");
    if (width > maximumCanvasSide || height > maximumCanvasSide ||
        width * height > maximumCanvasPixels)
        return canvasTooLarge(file, std::to_string(width), std::to_string(height), what);
    return {};
}

common::Fault canvasTooLarge(const std::string& file, std::string_view width,
                             std::string_view height, std::string_view what) {
    return common::Fault(file, std::string(what) + "is " + std::string(width) + "x" +
                                   std::string(height) + " pixels, larger than " + canvasBound());
}

common::Result<std::unique_ptr<MediaSource>> openMediaSource(const std::string& path,
                                                             const FolderTiming& folderTiming,
                                                             const InterruptionCheck& interrupted) {
    if (looksLikeUrl(path))
        return common::Fault{path, "looks like a URL; import opens local files and folders only "
                                   "(write ./" +
                                       path + " for a file whose name has a colon)"};
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (!fs::exists(status))
        return common::Fault{path, "no such file or folder"};
    SourceOpening opening{folderTiming, interrupted};
    if (fs::is_directory(status))
        return openRecognisedSource(SourceHead::folder(path), opening);
    // A pipe or a device is refused before it is opened at all.
    if (struct stat found{}; !fs::is_regular_file(status) && ::stat(path.c_str(), &found) == 0)
        return common::Fault{path, whyNotRead(found.st_mode)};
    // Whatever is at the path now is checked again on the open file, which alone is read.
    auto file = TRY(SourceFile::open(path));
    std::vector<std::uint8_t> head = readHead(*file);
    if (head.empty())
        return common::Fault{path, "is empty or cannot be read"};
    return openRecognisedSource(SourceHead::file(std::move(file), std::move(head)), opening);
}

std::optional<std::string> importableFileKind(const std::string& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        return std::nullopt;
    auto file = SourceFile::open(path);
    if (!file)
        return std::nullopt;
    std::vector<std::uint8_t> head = readHead(*file.value());
    if (head.empty())
        return std::nullopt;
    const SourceFormat* format =
        recogniseSource(SourceHead::file(std::move(file.value()), std::move(head)));
    if (!format)
        return std::nullopt;
    return std::string(format->description);
}

} // namespace velorin::tools
