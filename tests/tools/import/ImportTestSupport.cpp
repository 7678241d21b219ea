#include "tests/tools/import/ImportTestSupport.h"

#include "sequences/FrameOrdering.h"
#include "tests/tools/common/SimProcess.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

namespace velorin::testing {

namespace {

class Collector final : public tools::FrameConsumer {
public:
    Collector(std::optional<tools::PixelSize> size, FilterAnswer filter)
        : m_size(size), m_filter(filter) {}
    bool wants(double, double) const override { return true; }
    std::optional<tools::PixelSize> drawingSize() const override { return m_size; }
    std::optional<tools::ResizeFilter> resizeFilter() const override {
        if (m_filter == FilterAnswer::AfterFirstFrame && frames.empty())
            return std::nullopt;
        return tools::ResizeFilter::Smooth;
    }
    common::Result<void> take(const tools::CanvasFrame& frame) override {
        frames.push_back(frame);
        return {};
    }
    std::vector<tools::CanvasFrame> frames;

private:
    std::optional<tools::PixelSize> m_size;
    FilterAnswer m_filter;
};

} // namespace

ScratchFolder::ScratchFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "velorin-import-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a scratch folder");
    m_path = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

DecodedSource decodeWhole(const std::filesystem::path& path, const tools::FolderTiming& timing,
                          std::optional<tools::PixelSize> drawingSize, FilterAnswer filter) {
    return decodeOpened(tools::openMediaSource(path.string(), timing, {}), drawingSize, filter);
}

DecodedSource decodeOpened(common::Result<std::unique_ptr<tools::MediaSource>> source,
                           std::optional<tools::PixelSize> drawingSize, FilterAnswer filter) {
    if (!source) {
        ADD_FAILURE() << source.fault().text();
        return {};
    }
    Collector collector(drawingSize, filter);
    if (auto decoded = source.value()->decode(collector); !decoded)
        ADD_FAILURE() << decoded.fault().text();
    return {source.value()->description(), std::move(collector.frames)};
}

std::string readingFaultOf(common::Result<std::unique_ptr<tools::MediaSource>> source) {
    if (!source)
        return source.fault().text();
    Collector collector(std::nullopt, FilterAnswer::Smooth);
    auto decoded = source.value()->decode(collector);
    return decoded ? std::string() : decoded.fault().text();
}

std::vector<platform::Ref<platform::CGImage>> sequenceFrames(const std::filesystem::path& folder) {
    std::vector<std::string> listing;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".png")
            listing.push_back(entry.path().filename().string());
    }
    std::vector<platform::Ref<platform::CGImage>> frames;
    for (const std::string& name : sortArrayByNumbersInString(listing)) {
        std::string bytes = readWholeFile(folder / name);
        frames.push_back(platform::decodePng(
            {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}));
    }
    return frames;
}

std::string openingFault(const std::string& path) {
    auto source = tools::openMediaSource(path, {}, {});
    return source ? std::string() : source.fault().message;
}

Color pixelOf(const tools::CanvasFrame& frame, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t* pixel = frame.pixels.data() + (std::size_t{y} * frame.width + x) * 4;
    return {pixel[0], pixel[1], pixel[2], pixel[3]};
}

std::vector<std::pair<std::string, std::string>> snapshotOf(const std::filesystem::path& folder) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        entries.emplace_back(entry.path().string(),
                             entry.is_regular_file() ? readWholeFile(entry.path()) : "/");
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace velorin::testing
