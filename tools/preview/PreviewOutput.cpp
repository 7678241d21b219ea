#include "tools/preview/PreviewOutput.h"

#include "common/StagingFolders.h"
#include "common/SystemError.h"

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

// The outermost missing folder on the way to `folder`, or empty when it exists.
fs::path outermostMissing(const fs::path& folder) {
    std::error_code error;
    fs::path missing;
    for (fs::path path = fs::absolute(folder, error).lexically_normal(); !path.empty();
         path = path.parent_path()) {
        if (fs::exists(path, error))
            break;
        missing = path;
        if (path == path.parent_path())
            break;
    }
    return missing;
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
    fs::path made = outermostMissing(folder);
    auto undoMaking = [&] {
        std::error_code ignored;
        if (!made.empty())
            fs::remove_all(made, ignored);
    };
    // A folder made meanwhile by someone else is as good as one made here; only an error
    // code says that making it failed, and then it says why.
    if (!made.empty()) {
        fs::create_directories(folder, error);
        if (error || !fs::is_directory(folder)) {
            undoMaking();
            return common::Fault(folder, "cannot make the output folder: " +
                                             (error ? error.message() : "it is not a folder"));
        }
    }
    if (auto replaceable = checkReplaceable(folder); !replaceable) {
        undoMaking();
        return replaceable.fault();
    }
    common::removeAbandonedStagingFolders(folder, stagingStem);
    platform::FileDescriptor lock;
    std::string staging = common::makeLockedStagingFolder(folder, stagingStem, lock);
    if (staging.empty()) {
        std::string reason = common::describeSystemError(errno);
        undoMaking();
        return common::Fault(folder, "cannot write into the output folder: " + reason);
    }
    std::unique_ptr<PreviewOutput> output(new PreviewOutput(
        folder, staging, made.empty() ? std::string() : made.string(), frameFiles));
    output->m_stagingLock = std::move(lock);
    std::string frames = (fs::path(output->m_staging) / previewFramesFolder).string();
    if (frameFiles == FrameFiles::Written && ::mkdir(frames.c_str(), 0755) != 0)
        return common::Fault(folder, "cannot write into the output folder: " +
                                         common::describeSystemError(errno));
    return output;
}

PreviewOutput::PreviewOutput(std::string folder, std::string staging, std::string madeFolder,
                             FrameFiles frameFiles)
    : m_folder(std::move(folder)), m_staging(std::move(staging)),
      m_madeFolder(std::move(madeFolder)), m_frameFiles(frameFiles) {
}

PreviewOutput::~PreviewOutput() {
    std::error_code error;
    fs::remove_all(m_staging, error);
    if (!m_committed && !m_madeFolder.empty())
        fs::remove_all(m_madeFolder, error);
}

std::string PreviewOutput::stagedPath(const std::string& relative) const {
    return (fs::path(m_staging) / relative).string();
}

std::string PreviewOutput::finalPath(const std::string& relative) const {
    return (fs::path(m_folder) / relative).string();
}

common::Result<void> PreviewOutput::commit() {
    std::error_code error;
    fs::path frames = finalPath(previewFramesFolder);
    // Checked again: the folder may have changed while the preview was rendering.
    if (auto replaceable = checkReplaceable(m_folder); !replaceable)
        return replaceable;
    // Each entry is replaced in one step, so that the output never lacks one: the files by
    // rename, the frames folder by exchanging it with the former one, which then goes with the
    // staging folder. Without frame files, the former frames go, so that no frames of another
    // preview stand beside the new sheet.
    bool framesInPlace = false;
    if (fs::exists(fs::symlink_status(frames, error))) {
        if (m_frameFiles == FrameFiles::Written) {
            std::string staged = stagedPath(previewFramesFolder);
            if (::renameat2(AT_FDCWD, staged.c_str(), AT_FDCWD, frames.c_str(), RENAME_EXCHANGE) ==
                0)
                framesInPlace = true;
            else if (errno != EINVAL && errno != ENOSYS)
                return common::Fault(frames.string(), "cannot replace the former frames: " +
                                                          common::describeSystemError(errno));
        }
        if (!framesInPlace && (fs::remove_all(frames, error), error))
            return common::Fault(frames.string(),
                                 "cannot replace the former frames: " + error.message());
    }
    for (const char* name : {previewFramesFolder, previewContactSheet, previewAnimation}) {
        if (std::string_view(name) == previewFramesFolder &&
            (m_frameFiles == FrameFiles::Omitted || framesInPlace))
            continue;
        fs::rename(stagedPath(name), finalPath(name), error);
        if (error)
            return common::Fault(finalPath(name), "cannot move into place: " + error.message());
    }
    m_committed = true;
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
