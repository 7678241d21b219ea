#include "tools/preview/PreviewOutput.h"

#include "common/SystemCalls.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

// The staging folder is ".velorin-preview-XXXXXX" inside the output folder.
constexpr const char* stagingStem = "velorin-preview";

// A name the preview itself writes: "frame-", one or more digits, ".png".
bool isPreviewFrameName(const std::string& name) {
    constexpr std::string_view prefix = "frame-";
    constexpr std::string_view suffix = ".png";
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(suffix))
        return false;
    const std::string_view digits(name.data() + prefix.size(),
                                  name.size() - prefix.size() - suffix.size());
    return std::all_of(digits.begin(), digits.end(),
                       [](char character) { return character >= '0' && character <= '9'; });
}

// Whether a former preview's frames folder can be replaced: it holds frame files alone.
bool holdsOnlyFrames(const fs::path& folder) {
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (!entry->is_regular_file(error) || !isPreviewFrameName(entry->path().filename()))
            return false;
    }
    return !error;
}

common::Result<void> checkReplaceable(const fs::path& folder) {
    std::error_code error;
    fs::path frames = folder / previewFramesFolder;
    if (fs::exists(fs::symlink_status(frames, error)) &&
        (fs::is_symlink(fs::symlink_status(frames, error)) || !fs::is_directory(frames, error) ||
         !holdsOnlyFrames(frames)))
        return common::Fault(
            frames.string(),
            "holds files that are not preview frames; choose another output folder");
    for (const char* name : {previewContactSheet, previewAnimation}) {
        fs::path file = folder / name;
        if (fs::is_directory(fs::symlink_status(file, error)))
            return common::Fault(file.string(), "is a folder; choose another output folder");
    }
    return {};
}

} // namespace

common::Result<std::unique_ptr<PreviewOutput>> PreviewOutput::open(const std::string& folder,
                                                                   FrameFiles frameFiles) {
    std::error_code error;
    if (fs::exists(folder, error) && !fs::is_directory(folder, error))
        return common::Fault(folder, "not a folder (the output goes into a folder)");
    std::unique_ptr<PreviewOutput> output(new PreviewOutput(folder, frameFiles));
    output->m_madeFolders =
        TRY(common::MadeFolders::make(folder).withContext(folder, "cannot make the output folder"));
    TRY(checkReplaceable(folder));
    common::removeAbandonedStagingFolders(folder, stagingStem);
    output->m_staging = TRY(common::StagingFolder::make(folder, stagingStem)
                                .withContext(folder, "cannot write into the output folder"));
    if (frameFiles == FrameFiles::Written)
        TRY(common::makeFolderAt(AT_FDCWD, output->stagedPath(previewFramesFolder), 0755)
                .withContext(folder, "cannot write into the output folder"));
    return output;
}

std::string PreviewOutput::stagedPath(const std::string& relative) const {
    return m_staging.pathOf(relative);
}

std::string PreviewOutput::finalPath(const std::string& relative) const {
    return (fs::path(m_folder) / relative).string();
}

common::Result<void> PreviewOutput::commit() {
    std::error_code error;
    fs::path frames = finalPath(previewFramesFolder);
    // Checked again: the folder may have changed while the preview was rendering.
    TRY(checkReplaceable(m_folder));
    // Each entry is replaced in one step where the file system can, so that the output never
    // lacks one: the files by rename, the frames folder by exchanging it with the former one,
    // which then goes with the staging folder. Without frame files, the former frames go, so
    // that no frames of another preview stand beside the new sheet.
    bool framesInPlace = false;
    if (fs::exists(fs::symlink_status(frames, error))) {
        if (m_frameFiles == FrameFiles::Written) {
            TRY(common::exchangeFolders(stagedPath(previewFramesFolder), frames)
                    .withContext(frames.string(), "cannot replace the former frames"));
            framesInPlace = true;
        } else if (fs::remove_all(frames, error), error) {
            return common::Fault(frames.string(), "cannot replace the former frames: " +
                                                      common::describeSystemError(error));
        }
    }
    for (const char* name : {previewFramesFolder, previewContactSheet, previewAnimation}) {
        if (std::string_view(name) == previewFramesFolder &&
            (m_frameFiles == FrameFiles::Omitted || framesInPlace))
            continue;
        TRY(common::renamePath(stagedPath(name), finalPath(name), common::RenameMode::Replace)
                .withContext(finalPath(name), "cannot move into place"));
    }
    m_madeFolders.keep();
    return {};
}

std::string previewFrameName(int index, int count) {
    int digits = 4;
    for (int limit = 10000; count >= limit && digits < 9; limit *= 10)
        ++digits;
    char name[32];
    std::snprintf(name, sizeof name, "frame-%0*d.png", digits, index + 1);
    return name;
}

} // namespace velorin::tools
