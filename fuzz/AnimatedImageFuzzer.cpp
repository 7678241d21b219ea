// Feeds arbitrary bytes to import's GIF and animated PNG readers, as a file a user downloaded.
// Each reader must refuse what it cannot read with a message, without a crash, a leak or a
// read past its data; what it does read must keep its promises: a canvas within the bound,
// frames in order whose times add up, every decoded frame the canvas's size, and a cut-short
// file that still has a frame. PNG input is read a second time with its chunks' checksums
// mended (see PngChunks.h), so that mutations reach the checks behind them.
//
// The readers read files, so each input is written to one temporary file first. Canvases of
// more than a million pixels are only opened, not decoded, so that each run stays quick.
#include "fuzz/PngChunks.h"
#include "tools/import/sources/apng/AnimatedPngSource.h"
#include "tools/import/sources/gif/GifSource.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

using namespace velorin::tools;

constexpr std::uint64_t mostDecodedPixels = 1000000;

class CheckedConsumer final : public FrameConsumer {
public:
    explicit CheckedConsumer(const SourceDescription& description) : m_description(description) {}
    bool wants(double start, double end) const override {
        if (!(start >= 0) || !(end >= start) || !std::isfinite(end))
            std::abort();
        return true;
    }
    velorin::common::Result<void> take(const CanvasFrame& frame) override {
        if (frame.width != m_description.width || frame.height != m_description.height ||
            frame.pixels.size() != std::size_t{frame.width} * frame.height * 4 ||
            frame.index != m_taken || frame.index >= m_description.frames.size())
            std::abort();
        ++m_taken;
        return {};
    }

private:
    const SourceDescription& m_description;
    std::size_t m_taken{0};
};

void checkDescription(const SourceDescription& description) {
    if (description.width == 0 || description.height == 0 ||
        description.width > maximumCanvasSide || description.height > maximumCanvasSide ||
        std::uint64_t{description.width} * description.height > maximumCanvasPixels ||
        description.frames.empty())
        std::abort();
    double start = 0;
    for (const FrameTiming& frame : description.frames) {
        if (std::fabs(frame.start - start) > 1e-6 || !(frame.duration >= 0))
            std::abort();
        start += frame.duration;
    }
    if (std::fabs(description.lengthSeconds - start) > 1e-6 && description.lengthSeconds != 0)
        std::abort();
}

void readAndCheck(const std::string& path,
                  velorin::common::Result<std::unique_ptr<MediaSource>> opened) {
    if (!opened) {
        if (opened.fault().message.empty() || opened.fault().file != path)
            std::abort();
        return;
    }
    MediaSource& source = *opened.value();
    checkDescription(source.description());
    const SourceDescription& description = source.description();
    if (std::uint64_t{description.width} * description.height > mostDecodedPixels)
        return;
    CheckedConsumer consumer(description);
    auto decoded = source.decode(consumer);
    if (!decoded && decoded.fault().message.empty())
        std::abort();
}

// The one file each input is written to, removed when the program ends.
class ScratchFile {
public:
    ScratchFile() {
        const char* folder = std::getenv("TMPDIR");
        m_path = std::string(folder && *folder ? folder : "/tmp") + "/velorin-fuzz-XXXXXX";
        int descriptor = ::mkstemp(m_path.data());
        if (descriptor < 0)
            std::abort();
        ::close(descriptor);
    }
    ~ScratchFile() { ::unlink(m_path.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

const std::string& scratchFile() {
    static const ScratchFile file;
    return file.path();
}

void writeScratch(const std::uint8_t* data, std::size_t size) {
    FILE* file = std::fopen(scratchFile().c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = scratchFile();
    writeScratch(data, size);
    readAndCheck(path, openGifSource(path, {}));
    readAndCheck(path, openAnimatedPngSource(path, {}));
    if (size > fuzzing::pngSignatureLength) {
        std::vector<std::uint8_t> mended =
            fuzzing::withChecksumsMended({data, size});
        writeScratch(mended.data(), mended.size());
        readAndCheck(path, openAnimatedPngSource(path, {}));
    }
    return 0;
}
