#include "tools/import/sources/folder/FolderSource.h"

#include "common/SystemCalls.h"
#include "tools/common/NaturalOrder.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 9> imageExtensions{"png",  "apng", "jpg", "jpeg", "gif",
                                                          "webp", "bmp",  "tif", "tiff"};

// Whether a file name's extension (any case) is one of the image kinds a folder may hold.
bool hasImageExtension(const std::string& name) {
    auto dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(), [](char character) {
        return character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a')
                                                    : character;
    });
    return std::find(imageExtensions.begin(), imageExtensions.end(), extension) !=
           imageExtensions.end();
}

// Takes the first frame a file gives.
class FirstFrame final : public FrameConsumer {
public:
    bool wants(double, double) const override { return !m_frame; }
    common::Result<void> take(const CanvasFrame& frame) override {
        m_frame = frame;
        return {};
    }
    bool finished() const override { return m_frame.has_value(); }
    std::optional<CanvasFrame>& frame() { return m_frame; }

private:
    std::optional<CanvasFrame> m_frame;
};

class FolderSource final : public MediaSource {
public:
    FolderSource(std::string path, InterruptionCheck interrupted)
        : m_path(std::move(path)), m_interrupted(std::move(interrupted)) {}
    common::Result<void> scan(const FolderTiming& timing);
    common::Result<void> decode(FrameConsumer& consumer) override;

private:
    common::Result<CanvasFrame> readFrame(const std::string& file);

    std::string m_path;
    InterruptionCheck m_interrupted;
    std::vector<std::string> m_files;
};

common::Result<CanvasFrame> FolderSource::readFrame(const std::string& file) {
    auto source = TRY(openMediaSource(file, FolderTiming{}, m_interrupted));
    FirstFrame first;
    TRY(source->decode(first));
    if (!first.frame())
        return common::Fault{file, "holds no frame"};
    return std::move(*first.frame());
}

common::Result<void> FolderSource::scan(const FolderTiming& timing) {
    std::error_code error;
    std::vector<std::string> names;
    std::vector<std::string> ignored;
    for (fs::directory_iterator entry(m_path, error), end; !error && entry != end;
         entry.increment(error)) {
        std::string name = entry->path().filename().string();
        if (name.starts_with(".") || !entry->is_regular_file(error))
            continue;
        (hasImageExtension(name) ? names : ignored).push_back(name);
        if (names.size() > maximumSourceFrames)
            return common::Fault{m_path, "holds more than " + std::to_string(maximumSourceFrames) +
                                             " frames"};
    }
    if (error)
        return common::Fault{m_path, "cannot be listed: " + common::describeSystemError(error)};
    if (names.empty())
        return common::Fault{m_path, "holds no image files (PNG, JPEG, GIF, WebP, BMP or TIFF)"};
    sortNaturally(names);
    sortNaturally(ignored);
    for (const std::string& name : names)
        m_files.push_back((fs::path(m_path) / name).string());
    auto first = TRY(readFrame(m_files.front()));
    SourceDescription& description = m_description;
    description.kind = SourceKind::Folder;
    description.formatName = "folder";
    description.width = first.width;
    description.height = first.height;
    double frameSeconds =
        timing.totalSeconds ? *timing.totalSeconds / names.size() : 1 / timing.framesPerSecond;
    for (std::size_t index = 0; index < names.size(); ++index)
        description.frames.push_back({frameSeconds * index, frameSeconds});
    description.lengthSeconds = frameSeconds * names.size();
    if (!ignored.empty()) {
        std::string note = "left out " + std::to_string(ignored.size()) +
                           (ignored.size() == 1 ? " file that is not an image: "
                                                : " files that are not images: ");
        for (std::size_t index = 0; index < ignored.size() && index < 3; ++index)
            note += (index ? ", " : "") + ignored[index];
        if (ignored.size() > 3)
            note += ", ...";
        description.notes.push_back(note);
    }
    return {};
}

common::Result<void> FolderSource::decode(FrameConsumer& consumer) {
    for (std::size_t index = 0; index < m_files.size() && !consumer.finished(); ++index) {
        TRY(consumer.poll());
        const FrameTiming& timing = m_description.frames[index];
        if (!consumer.wants(timing.start, timing.start + timing.duration))
            continue;
        auto frame = TRY(readFrame(m_files[index]));
        frame.index = index;
        frame.start = timing.start;
        frame.duration = timing.duration;
        TRY(consumer.take(frame));
    }
    return {};
}

bool isFolderOfFrames(const SourceHead& head) {
    return head.isFolder();
}

common::Result<std::unique_ptr<MediaSource>> openFolderOfFrames(const SourceHead& head,
                                                                const SourceOpening& opening) {
    auto source = std::make_unique<FolderSource>(head.path(), opening.interrupted);
    TRY(source->scan(opening.folderTiming));
    return std::unique_ptr<MediaSource>(std::move(source));
}

constexpr std::array<SourceName, 1> folderNames{{{"folder", "", "folder of frames"}}};

} // namespace

const SourceFormat folderFormat{"folders of frames", isFolderOfFrames, openFolderOfFrames,
                                folderNames};

} // namespace velorin::tools
