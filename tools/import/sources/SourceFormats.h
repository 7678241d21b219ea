// The kinds of source import reads, one row each: how a source of the kind is recognised and
// how it is opened. openMediaSource (tools/import/MediaSource.h) opens a source with the first
// row that recognises it. Each kind lives in a folder of its own beside this file (lottie/,
// gif/, apng/, webp/, video/, still/, folder/); FFmpeg, which reads video and still images, is in
// ffmpeg/. Adding a format is one folder and one row.
#pragma once

#include "common/Interruption.h"
#include "common/Result.h"
#include "tools/import/MediaSource.h"
#include "tools/import/sources/SourceHead.h"

#include <memory>
#include <span>
#include <string>

namespace velorin::tools {

// What opening a source takes besides its head.
struct SourceOpening {
    FolderTiming folderTiming;
    // Asked during long scans; see common/Interruption.h.
    common::InterruptionCheck interrupted;
};

// What people call a source, by the name its reader gives the format and, where one reader
// takes kinds people tell apart, the file's extension (empty for any).
struct SourceName {
    const char* formatName;
    const char* extension;
    const char* name;
};

struct SourceFormat {
    // The kind as import names what it reads: "GIF", "folders of frames".
    const char* description;
    bool (*recognises)(const SourceHead& head);
    common::Result<std::unique_ptr<MediaSource>> (*open)(const SourceHead& head,
                                                         const SourceOpening& opening);
    // The names of the sources the row reads, the first that fits taken: "MP4 video".
    std::span<const SourceName> names;
};

// "import reads GIF, animated PNG, ..., still images and folders of frames".
std::string whatImportReads();

// The first row that recognises the source; none when no row does.
const SourceFormat* recogniseSource(const SourceHead& head);

// What people call `source`, read from `path`: "MP4 video", "JPEG picture", "GIF"; the
// reader's own name for the format when no row names it.
std::string nameOfSource(const SourceDescription& source, const std::string& path);

// Opens the source with the first row that recognises it; a fault naming the file, what it is
// taken for and what import reads when no row does.
common::Result<std::unique_ptr<MediaSource>> openRecognisedSource(const SourceHead& head,
                                                                  const SourceOpening& opening);

} // namespace velorin::tools
