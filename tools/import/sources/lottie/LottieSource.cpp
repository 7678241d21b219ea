#include "tools/import/sources/lottie/LottieSource.h"

#include "tools/import/SourceFileBytes.h"
#include "tools/import/sources/lottie/LottieDocument.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <rlottie.h>

namespace velorin::tools {

namespace {

bool endsWithIgnoringCase(const std::string& text, std::string_view ending) {
    if (text.size() < ending.size())
        return false;
    return std::equal(ending.begin(), ending.end(), text.end() - static_cast<long>(ending.size()),
                      [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

// rlottie draws premultiplied 0xAARRGGBB words; the frames are straight RGBA bytes.
void unpremultiply(std::span<const std::uint32_t> drawn, std::vector<std::uint8_t>& pixels) {
    pixels.resize(drawn.size() * 4);
    for (std::size_t index = 0; index < drawn.size(); ++index) {
        std::uint32_t word = drawn[index];
        std::uint32_t alpha = word >> 24;
        std::uint8_t* pixel = pixels.data() + index * 4;
        pixel[3] = static_cast<std::uint8_t>(alpha);
        for (int channel = 0; channel < 3; ++channel) {
            std::uint32_t value = (word >> (16 - 8 * channel)) & 0xFF;
            pixel[channel] = alpha == 0 ? 0
                                        : static_cast<std::uint8_t>(
                                              std::min<std::uint32_t>(255, (value * 255 + alpha / 2) / alpha));
        }
    }
}

class LottieSource final : public MediaSource {
public:
    LottieSource(std::string path, std::unique_ptr<rlottie::Animation> animation,
                 const LottieTiming& timing)
        : m_path(std::move(path)), m_animation(std::move(animation)) {
        SourceDescription& description = m_description;
        description.kind = SourceKind::VectorAnimation;
        description.formatName = "lottie";
        description.width = timing.width;
        description.height = timing.height;
        m_framesPerSecond = timing.framesPerSecond;
        // rlottie draws the frames from the in point up to, not including, the out point.
        std::size_t frames = m_animation->totalFrame();
        for (std::size_t frame = 0; frame < frames; ++frame)
            description.frames.push_back({frame / m_framesPerSecond, 1 / m_framesPerSecond});
        description.lengthSeconds = frames / m_framesPerSecond;
    }

    common::Result<void> decode(FrameConsumer& consumer) override {
        auto size = consumer.drawingSize().value_or(PixelSize{m_description.width,
                                                              m_description.height});
        std::vector<std::uint32_t> drawn(static_cast<std::size_t>(size.width) * size.height);
        for (std::size_t index = 0; index < m_description.frames.size(); ++index) {
            if (consumer.finished())
                break;
            TRY(consumer.poll());
            const FrameTiming& timing = m_description.frames[index];
            if (!consumer.wants(timing.start, timing.start + timing.duration))
                continue;
            std::fill(drawn.begin(), drawn.end(), 0);
            // Stretched, not fitted: the device stretches every frame to its box too.
            m_animation->renderSync(index,
                                    rlottie::Surface(drawn.data(), size.width, size.height,
                                                     static_cast<std::size_t>(size.width) * 4),
                                    false);
            CanvasFrame frame;
            frame.index = index;
            frame.start = timing.start;
            frame.duration = timing.duration;
            frame.width = size.width;
            frame.height = size.height;
            unpremultiply(drawn, frame.pixels);
            TRY(consumer.take(frame));
        }
        return {};
    }

private:
    std::string m_path;
    std::unique_ptr<rlottie::Animation> m_animation;
    double m_framesPerSecond{0};
};

} // namespace

LottieGuess guessLottie(const std::string& path, std::span<const std::uint8_t> head) {
    if (endsWithIgnoringCase(path, ".lottie"))
        return LottieGuess::LottieArchive;
    std::size_t start = head.size() >= 3 && std::memcmp(head.data(), "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    while (start < head.size() &&
           (head[start] == ' ' || head[start] == '\t' || head[start] == '\n' || head[start] == '\r'))
        ++start;
    if (start < head.size() && head[start] == '{')
        return LottieGuess::LottieText;
    if (endsWithIgnoringCase(path, ".json"))
        return LottieGuess::LottieText;
    return LottieGuess::NotLottie;
}

common::Fault lottieArchiveFault(const std::string& path) {
    return common::Fault{path, "is a .lottie archive, which import does not read (rlottie reads "
                               "Lottie JSON only); unzip it and import the JSON in its "
                               "animations/ folder, or export the animation as Lottie JSON"};
}

common::Result<std::unique_ptr<MediaSource>> openLottieText(const std::string& path,
                                                            std::string text) {
    // The reader would take a NUL byte for the end of the text.
    if (auto nul = text.find('\0'); nul != std::string::npos) {
        auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), nul);
        common::Fault fault{path, "is not valid JSON: it holds a NUL byte"};
        fault.line = static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n') + 1);
        return fault;
    }
    auto timing = TRY(inspectLottieText(
        path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
    // No cache: each import reads its own file once.
    auto animation = rlottie::Animation::loadFromData(std::move(text), path, "", false);
    if (!animation)
        return common::Fault{path, "is JSON, but rlottie cannot read it as a Lottie animation"};
    if (animation->totalFrame() == 0)
        return common::Fault{path, "has no frame between its in point and its out point"};
    return std::unique_ptr<MediaSource>(
        std::make_unique<LottieSource>(path, std::move(animation), timing));
}

common::Result<std::unique_ptr<MediaSource>> openLottieSource(const SourceFile& file) {
    auto bytes = TRY(readSourceFile(file, maximumLottieFileBytes, "Lottie file"));
    return openLottieText(file.path(), std::string(bytes.begin(), bytes.end()));
}

} // namespace velorin::tools
