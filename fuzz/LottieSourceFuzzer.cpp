// Reads arbitrary bytes as a Lottie text and, when it opens, draws its first frames at a small
// size. A fault must name the text and, for a syntax fault, a line that exists in it; a source
// that opens must time its frames forwards and hand over frames of the size asked for.
#include "tools/import/sources/lottie/LottieSource.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace velorin;

// Takes the first few frames at 24 × 16 pixels, checking each.
class FirstFrames final : public tools::FrameConsumer {
public:
    bool wants(double start, double end) const override { return end >= start; }
    common::Result<void> take(const tools::CanvasFrame& frame) override {
        if (frame.width != 24 || frame.height != 16 || frame.pixels.size() != 24 * 16 * 4)
            std::abort();
        ++m_taken;
        return {};
    }
    bool finished() const override { return m_taken >= 3; }
    std::optional<tools::PixelSize> drawingSize() const override {
        return tools::PixelSize{24, 16};
    }

private:
    int m_taken{0};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    auto lineCount = static_cast<long>(std::count(text.begin(), text.end(), '\n')) + 1;
    auto source = tools::openLottieText("fuzz.json", text);
    if (!source) {
        const common::Fault& fault = source.fault();
        if (fault.file != "fuzz.json" || fault.message.empty() ||
            (fault.line && (*fault.line < 1 || *fault.line > lineCount)))
            std::abort();
        return 0;
    }
    const tools::SourceDescription& description = source.value()->description();
    for (std::size_t index = 1; index < description.frames.size(); ++index) {
        if (!(description.frames[index].start > description.frames[index - 1].start))
            std::abort();
    }
    FirstFrames consumer;
    if (auto decoded = source.value()->decode(consumer); !decoded)
        std::abort();
    return 0;
}
