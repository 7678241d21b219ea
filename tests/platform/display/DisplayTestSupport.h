// Helpers shared by the display toolkit's tests: images of known pixels, a recording display
// observer, the main queue's clock, and PNG chunk surgery for damaged-file cases.
#pragma once

#include "platform/MainQueue.h"
#include "platform/display/View.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace display_testing {

using Pixel = std::array<std::uint8_t, 4>;

// An image whose pixels are given row by row.
inline platform::Ref<platform::CGImage> imageOf(std::uint32_t width, std::uint32_t height,
                                                const std::vector<Pixel>& pixels) {
    std::vector<std::uint8_t> bytes;
    for (const auto& pixel : pixels)
        bytes.insert(bytes.end(), pixel.begin(), pixel.end());
    return platform::CGImage::create(width, height, std::move(bytes));
}

inline platform::Ref<platform::CGImage> solidImage(std::uint32_t width, std::uint32_t height,
                                                   Pixel pixel) {
    return imageOf(width, height, std::vector<Pixel>(std::size_t{width} * height, pixel));
}

inline Pixel pixelAt(const platform::CGImage& image, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t* bytes = image.pixelAt(x, y);
    return {bytes[0], bytes[1], bytes[2], bytes[3]};
}

// Records every report as one line, with views named by their tag.
class RecordingObserver : public platform::DisplayObserver {
public:
    RecordingObserver() { platform::setDisplayObserver(this); }
    ~RecordingObserver() override { platform::setDisplayObserver(nullptr); }
    RecordingObserver(const RecordingObserver&) = delete;
    RecordingObserver& operator=(const RecordingObserver&) = delete;

    void viewCreated(platform::UIView* view) override { add("created " + name(view)); }
    void viewAttached(platform::UIView* view, platform::UIView* parent) override {
        add("attached " + name(view) + " to " + name(parent));
    }
    void viewDetached(platform::UIView* view) override { add("detached " + name(view)); }
    void viewDestroyed(platform::UIView* view) override { add("destroyed " + name(view)); }
    void alphaChanged(platform::UIView* view, double alpha) override {
        add("alpha " + name(view) + " " + std::to_string(alpha).substr(0, 4));
    }
    void animationAdded(platform::CALayer* layer, platform::CAKeyframeAnimation*) override {
        add("animation on " + (layer->view() ? name(layer->view()) : std::string("none")));
    }

    std::vector<std::string> lines;

private:
    static std::string name(platform::UIView* view) { return "#" + std::to_string(view->tag()); }
    void add(std::string line) { lines.push_back(std::move(line)); }
};

inline platform::Ref<platform::UIView>
taggedView(long tag, platform::CGRect frame = platform::CGRectMake(0, 0, 10, 10)) {
    auto view = platform::UIView::initWithFrame(frame);
    view->setTag(tag);
    return view;
}

// Moves the main queue's virtual clock to `seconds`.
inline void setClock(double seconds) {
    platform::MainQueue::shared().runUntil(static_cast<std::uint64_t>(seconds * 1e9));
}

// PNG files are a signature and chunks of length, type, data and CRC-32 of type and data.
std::uint32_t crc32Of(const std::uint8_t* bytes, std::size_t length);
// The byte offset of the first chunk of `type` in `png`, or 0 when there is none.
std::size_t chunkOffset(const std::vector<std::uint8_t>& png, const char* type);
// A whole chunk, CRC included, ready to be spliced into a file.
std::vector<std::uint8_t> makeChunk(const char* type, const std::vector<std::uint8_t>& data);
// Rewrites a chunk's CRC after its data has been changed in place.
void refreshCrc(std::vector<std::uint8_t>& png, std::size_t offset);
std::vector<std::uint8_t> readTestFile(const std::string& name);

} // namespace display_testing
