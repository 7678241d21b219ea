// The folder a preview writes into, filled all at once or not at all.
//
// Files are first written into a hidden staging folder inside the output folder and moved
// into place only when every one of them is complete (common/WholeOutput.h), so a failed or
// interrupted preview leaves the output folder as it was (a folder the preview had to make is
// removed again). A staging folder left by a preview killed outright is removed by the next
// one into the same folder.
// A previous preview's frames are replaced; a "frames" folder holding anything else is
// refused before any work is done, so that no file of the user's is ever removed.
#pragma once

#include "common/Result.h"
#include "common/WholeOutput.h"

#include <memory>
#include <string>

namespace velorin::tools {

inline constexpr const char* previewFramesFolder = "frames";
inline constexpr const char* previewContactSheet = "contact-sheet.png";
inline constexpr const char* previewAnimation = "animation.webp";

// Whether a preview writes its frames, or only the contact sheet and the animation.
enum class FrameFiles { Written, Omitted };

class PreviewOutput {
public:
    // Makes the folder if it is missing and a staging folder inside it; an input error
    // naming the folder when it cannot be written or holds what a preview cannot replace.
    // Without frame files, a former preview's frames are removed on commit all the same, so
    // that the folder never holds frames of another preview than its contact sheet's.
    static common::Result<std::unique_ptr<PreviewOutput>>
    open(const std::string& folder, FrameFiles frameFiles = FrameFiles::Written);
    // Removes the staging folder, and the output folder if it was made and nothing was
    // committed.
    ~PreviewOutput() = default;
    PreviewOutput(const PreviewOutput&) = delete;
    PreviewOutput& operator=(const PreviewOutput&) = delete;

    // Where a file (a path relative to the output folder) is written now, and where it ends.
    std::string stagedPath(const std::string& relative) const;
    std::string finalPath(const std::string& relative) const;

    // Moves every staged file into place.
    common::Result<void> commit();

private:
    PreviewOutput(std::string folder, FrameFiles frameFiles)
        : m_folder(std::move(folder)), m_frameFiles(frameFiles) {}
    std::string m_folder;
    FrameFiles m_frameFiles;
    // Declared first, so that they go after the staging folder in them.
    common::MadeFolders m_madeFolders;
    // Locked, so that another preview into the same folder leaves it alone.
    common::StagingFolder m_staging;
};

// The name of frame `index` (from 0) of `count` inside the frames folder: "frame-0001.png".
std::string previewFrameName(int index, int count);

} // namespace velorin::tools
