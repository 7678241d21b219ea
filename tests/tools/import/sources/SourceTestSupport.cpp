#include "tests/tools/import/sources/SourceTestSupport.h"

#include "tools/import/sources/apng/AnimatedPngSource.h"
#include "tools/import/sources/gif/GifSource.h"

namespace velorin::testing {

namespace {

class Collector final : public tools::FrameConsumer {
public:
    bool wants(double, double) const override { return true; }
    sim::Result<void> take(const tools::CanvasFrame& frame) override {
        frames.push_back(frame);
        return {};
    }
    std::vector<tools::CanvasFrame> frames;
};

} // namespace

sim::Result<std::unique_ptr<tools::MediaSource>> openWith(Reader reader,
                                                          const std::filesystem::path& path) {
    if (reader == Reader::Gif)
        return tools::openGifSource(path.string(), std::nullopt, {});
    return tools::openAnimatedPngSource(path.string(), {});
}

DecodedSource readWhole(Reader reader, const std::filesystem::path& path) {
    auto source = openWith(reader, path);
    if (!source) {
        ADD_FAILURE() << source.fault().text();
        return {};
    }
    Collector collector;
    if (auto decoded = source.value()->decode(collector); !decoded)
        ADD_FAILURE() << decoded.fault().text();
    return {source.value()->description(), std::move(collector.frames)};
}

std::string readingFault(Reader reader, const std::filesystem::path& path) {
    auto source = openWith(reader, path);
    if (!source)
        return source.fault().text();
    Collector collector;
    auto decoded = source.value()->decode(collector);
    return decoded ? std::string() : decoded.fault().text();
}

void expectColor(Color actual, Color expected, int tolerance) {
    EXPECT_NEAR(actual.red, expected.red, tolerance);
    EXPECT_NEAR(actual.green, expected.green, tolerance);
    EXPECT_NEAR(actual.blue, expected.blue, tolerance);
    EXPECT_NEAR(actual.alpha, expected.alpha, tolerance);
}

} // namespace velorin::testing
