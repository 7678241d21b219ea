// Shared helpers of the import tests: a scratch folder, and a source decoded whole into memory.
#pragma once

#include "tests/tools/import/TestMedia.h"
#include "platform/display/Image.h"
#include "tools/import/MediaSource.h"

#include <filesystem>
#include <string>
#include <vector>

namespace velorin::testing {

// A fresh folder for one test, removed with everything in it afterwards.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

struct DecodedSource {
    tools::SourceDescription description;
    std::vector<tools::CanvasFrame> frames;
};

// How the consumer of the decoded frames answers when asked for its resize filter.
enum class FilterAnswer {
    // Smooth from the start.
    Smooth,
    // None until it has seen a frame, as import's writer does before it chooses by that frame.
    AfterFirstFrame,
};

// Opens and decodes every frame; a test failure, and an empty result, when it cannot. A
// drawing size is what the decoding is told the frames will be written at.
DecodedSource decodeWhole(const std::filesystem::path& path,
                          const tools::FolderTiming& timing = {},
                          std::optional<tools::PixelSize> drawingSize = std::nullopt,
                          FilterAnswer filter = FilterAnswer::Smooth);
// Decodes every frame of a source opened by any reader, as decodeWhole does.
DecodedSource decodeOpened(common::Result<std::unique_ptr<tools::MediaSource>> source,
                           std::optional<tools::PixelSize> drawingSize = std::nullopt,
                           FilterAnswer filter = FilterAnswer::Smooth);
// The fault that opening or decoding gives; empty when the source reads whole.
std::string readingFaultOf(common::Result<std::unique_ptr<tools::MediaSource>> source);

// A sequence folder's frames as the device would order them, decoded.
std::vector<platform::Ref<platform::CGImage>> sequenceFrames(const std::filesystem::path& folder);

// The error message opening `path` gives, or empty when it opens.
std::string openingFault(const std::string& path);

// The RGBA colour of one pixel of a decoded frame.
Color pixelOf(const tools::CanvasFrame& frame, std::uint32_t x, std::uint32_t y);

// Every entry under a folder, with file contents, for before-and-after comparisons.
std::vector<std::pair<std::string, std::string>> snapshotOf(const std::filesystem::path& folder);

} // namespace velorin::testing
