// The table of source kinds. Each row comes from the kind's own folder.
#include "tools/import/sources/SourceFormats.h"

#include "tools/import/sources/apng/AnimatedPngFormat.h"
#include "tools/import/sources/ffmpeg/FfmpegGuess.h"
#include "tools/import/sources/folder/FolderSource.h"
#include "tools/import/sources/gif/GifFormat.h"
#include "tools/import/sources/lottie/LottieFormat.h"
#include "tools/import/sources/still/StillImageFormat.h"
#include "tools/import/sources/video/VideoFormat.h"
#include "tools/import/sources/webp/WebpSource.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <string_view>

namespace velorin::tools {

namespace {

// In the order they are tried: the first row that recognises a source opens it.
constexpr std::array formats{&lottieFormat, &gifFormat,        &animatedPngFormat, &webpFormat,
                             &videoFormat,  &stillImageFormat, &folderFormat};

// Why a file FFmpeg reads as `demuxer` is not imported.
std::string refusalFor(std::string_view demuxer) {
    if (demuxer == playlistDemuxer || demuxer == dashPlaylistDemuxer)
        return "is a playlist; import opens single local media files only";
    if (demuxer == concatenationDemuxer)
        return "is a concatenation list; import opens single local media files only";
    return "is read by FFmpeg as \"" + std::string(demuxer) + "\", which import does not take; " +
           whatImportReads();
}

} // namespace

std::string whatImportReads() {
    std::string text = "import reads ";
    for (std::size_t index = 0; index < formats.size(); ++index) {
        if (index > 0)
            text += index + 1 == formats.size() ? " and " : ", ";
        text += formats[index]->description;
    }
    return text;
}

std::string nameOfSource(const SourceDescription& source, const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char character) { return std::tolower(character); });
    for (const SourceFormat* format : formats) {
        for (const SourceName& name : format->names) {
            if (source.formatName == name.formatName &&
                (*name.extension == '\0' || extension == name.extension))
                return name.name;
        }
    }
    return source.formatName;
}

const SourceFormat* recogniseSource(const SourceHead& head) {
    for (const SourceFormat* format : formats) {
        if (format->recognises(head))
            return format;
    }
    return nullptr;
}

common::Result<std::unique_ptr<MediaSource>> openRecognisedSource(const SourceHead& head,
                                                                  const SourceOpening& opening) {
    if (const SourceFormat* format = recogniseSource(head))
        return format->open(head, opening);
    if (const auto& demuxer = head.ffmpegDemuxer())
        return common::Fault{head.path(), refusalFor(*demuxer)};
    return common::Fault{head.path(), "is not in a format FFmpeg recognises; " + whatImportReads()};
}

} // namespace velorin::tools
