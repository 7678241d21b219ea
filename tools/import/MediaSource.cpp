#include "tools/import/MediaSource.h"

#include "tools/import/DemuxerChoice.h"
#include "tools/import/FfmpegSource.h"
#include "tools/import/FolderSource.h"
#include "tools/import/WebpSource.h"
#include "tools/import/sources/apng/AnimatedPngSource.h"
#include "tools/import/sources/apng/ApngLayout.h"
#include "tools/import/sources/gif/GifSource.h"
#include "tools/import/sources/lottie/LottieSource.h"

#include <filesystem>
#include <fstream>

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

std::vector<std::uint8_t> readHead(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> head(headBytes);
    file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0)));
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

std::optional<std::string> canvasSizeProblem(std::uint64_t width, std::uint64_t height) {
    if (width == 0 || height == 0)
        return "has no size (a side of 0 pixels)";
    if (width > maximumCanvasSide || height > maximumCanvasSide ||
        width * height > maximumCanvasPixels)
        return "is " + std::to_string(width) + "x" + std::to_string(height) +
               " pixels, larger than " + canvasBound();
    return std::nullopt;
}

sim::Result<std::unique_ptr<MediaSource>> openMediaSource(const std::string& path,
                                                          const FolderTiming& folderTiming,
                                                          const InterruptionCheck& interrupted) {
    if (looksLikeUrl(path))
        return sim::Fault{path, "looks like a URL; import opens local files and folders only "
                                "(write ./" +
                                    path + " for a file whose name has a colon)"};
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (!fs::exists(status))
        return sim::Fault{path, "no such file or folder"};
    if (fs::is_directory(status))
        return openFolderSource(path, folderTiming, interrupted);
    if (!fs::is_regular_file(status))
        return sim::Fault{path, "is not a regular file or a folder"};
    std::vector<std::uint8_t> head = readHead(path);
    if (head.empty())
        return sim::Fault{path, "is empty or cannot be read"};
    switch (guessLottie(path, head)) {
    case LottieGuess::LottieArchive:
        return lottieArchiveFault(path);
    case LottieGuess::LottieText:
        return openLottieSource(path);
    case LottieGuess::NotLottie:
        break;
    }
    if (looksLikeWebp(head))
        return openWebpSource(path);
    // GIF and PNG are read by their own readers, which show every picture as browsers do.
    if (looksLikeGif(head))
        return openGifSource(path, interrupted);
    if (looksLikePng(head))
        return openAnimatedPngSource(path, interrupted);
    auto demuxer = chooseDemuxer(path, head);
    if (!demuxer)
        return demuxer.fault();
    return openFfmpegSource(path, demuxer.value(), interrupted);
}

} // namespace velorin::tools
