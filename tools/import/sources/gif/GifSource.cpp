#include "tools/import/sources/gif/GifSource.h"

#include "tools/import/sources/FrameCompositing.h"
#include "tools/import/sources/FrameDelay.h"
#include "tools/import/sources/FrameOffer.h"
#include "tools/import/sources/SourceFile.h"
#include "tools/import/sources/gif/GifBlocks.h"
#include "tools/import/sources/gif/GifPictureDecoder.h"

#include <algorithm>
#include <cstring>

namespace velorin::tools {

namespace {

FrameDisposal disposalOf(std::uint8_t method) {
    switch (method) {
    case 2:
        return FrameDisposal::ClearToTransparent;
    case 3:
    // Some encoders write 4 for "restore to previous"; browsers read it so.
    case 4:
        return FrameDisposal::RestorePrevious;
    default:
        return FrameDisposal::Keep;
    }
}

class GifSource final : public MediaSource {
public:
    GifSource(std::shared_ptr<const SourceFile> file, InterruptionCheck interrupted)
        : m_handle(std::move(file)), m_file(*m_handle), m_interrupted(std::move(interrupted)) {}

    common::Result<void> scan();
    common::Result<void> decode(FrameConsumer& consumer) override;

private:
    common::Result<void> noteEnding(const GifEnding& ending);
    common::Result<void> drawImage(std::size_t index, const GifImage& image,
                                   FrameCompositor& compositor);

    std::shared_ptr<const SourceFile> m_handle;
    const SourceFile& m_file;
    InterruptionCheck m_interrupted;
    GifScreen m_screen;
};

common::Result<void> GifSource::scan() {
    SourceDescription& description = m_description;
    description.kind = SourceKind::Gif;
    description.formatName = "gif";
    GifBlockReader reader(m_file);
    auto screen = TRY(reader.readScreen());
    m_screen = std::move(screen);
    std::uint64_t width = m_screen.width;
    std::uint64_t height = m_screen.height;
    double start = 0;
    while (auto image = reader.nextImage()) {
        std::size_t index = description.frames.size();
        if (index == maximumSourceFrames)
            return common::Fault{
                m_file.path(), "has more than " + std::to_string(maximumSourceFrames) + " frames"};
        TRY(common::stopIfInterrupted(m_interrupted));
        const FrameArea& area = image->area;
        if (area.width > 0 && area.height > 0) {
            TRY(checkCanvasSize(m_file.path(), area.width, area.height, frameName(index) + " "));
        }
        if (index == 0) {
            width = std::max<std::uint64_t>(width, static_cast<std::uint64_t>(area.left) + area.width);
            height =
                std::max<std::uint64_t>(height, static_cast<std::uint64_t>(area.top) + area.height);
        }
        double duration = frameDelaySeconds(image->delayHundredths, 100);
        description.frames.push_back({start, duration});
        start += duration;
    }
    description.plays = reader.plays();
    TRY(noteEnding(reader.ending()));
    if (description.frames.empty())
        return common::Fault{m_file.path(), "holds no frames"};
    TRY(checkCanvasSize(m_file.path(), width, height));
    description.width = static_cast<std::uint32_t>(width);
    description.height = static_cast<std::uint32_t>(height);
    description.lengthSeconds = start;
    return {};
}

common::Result<void> GifSource::noteEnding(const GifEnding& ending) {
    const SourceDescription& description = m_description;
    std::size_t whole = description.frames.size();
    switch (ending.kind) {
    case GifEnding::Kind::Trailer:
        return {};
    case GifEnding::Kind::ReadFault:
        return common::Fault{m_file.path(), "cannot be read to its end"};
    case GifEnding::Kind::StrayData:
        if (whole == 0)
            return common::Fault{m_file.path(), "is damaged: a block that is not part of a GIF "
                                                "stands before its first frame"};
        m_description.lostFrames = LostFrames{
            "it breaks off after " + frameName(whole - 1) + " with data that is not part of a GIF",
            0, true, 0, true};
        return {};
    case GifEnding::Kind::CutShort:
        break;
    }
    if (whole == 0)
        return common::Fault{m_file.path(), "is cut short before its first frame is whole"};
    // A GIF does not say how many frames it has, so whatever followed the cut is unknown.
    LostFrames lost;
    lost.atLeastFrames = true;
    lost.atLeastSeconds = true;
    if (ending.insideImage) {
        lost.where = "it is cut short in " + frameName(whole);
        lost.frames = 1;
        if (ending.lostDelayHundredths)
            lost.seconds = frameDelaySeconds(*ending.lostDelayHundredths, 100);
    } else {
        lost.where = "it is cut short after " + frameName(whole - 1) + ", before its end marker";
    }
    m_description.lostFrames = lost;
    return {};
}

common::Result<void> GifSource::drawImage(std::size_t index, const GifImage& image,
                                          FrameCompositor& compositor) {
    const std::vector<std::uint8_t>& palette =
        image.localPalette ? *image.localPalette : m_screen.globalPalette;
    std::size_t entries = palette.size() / 3;
    // Palette entry → straight RGBA; entries past the table and a missing table are opaque
    // black.
    std::uint8_t colors[256][4];
    for (std::size_t entry = 0; entry < 256; ++entry) {
        bool known = entry < entries;
        colors[entry][0] = known ? palette[entry * 3] : 0;
        colors[entry][1] = known ? palette[entry * 3 + 1] : 0;
        colors[entry][2] = known ? palette[entry * 3 + 2] : 0;
        colors[entry][3] = 255;
    }
    if (image.transparentIndex)
        std::memset(colors[*image.transparentIndex], 0, 4);
    std::vector<std::uint8_t> row(std::size_t{image.area.width} * 4);
    auto draw = [&](std::uint32_t imageRow, const std::uint8_t* indices, std::uint32_t pixels) {
        for (std::uint32_t x = 0; x < pixels; ++x)
            std::memcpy(row.data() + std::size_t{x} * 4, colors[indices[x]], 4);
        // Pixels the data did not reach leave the canvas as it was.
        std::memset(row.data() + std::size_t{pixels} * 4, 0,
                    (std::size_t{image.area.width} - pixels) * 4);
        compositor.drawRow(imageRow, row.data(), FrameBlend::Over);
    };
    if (auto result = decodeGifPicture(m_file, image, draw); !result)
        return common::Fault{m_file.path(),
                             frameName(index) + " cannot be decoded: " + result.fault().message};
    return {};
}

common::Result<void> GifSource::decode(FrameConsumer& consumer) {
    GifBlockReader reader(m_file);
    TRY(reader.readScreen());
    FrameCompositor compositor(m_description.width, m_description.height);
    for (std::size_t index = 0; index < m_description.frames.size(); ++index) {
        if (consumer.finished())
            return {};
        TRY(consumer.poll());
        auto image = reader.nextImage();
        if (!image)
            return common::Fault{m_file.path(), "changed while it was being read"};
        compositor.begin(image->area, disposalOf(image->disposal));
        TRY(drawImage(index, *image, compositor));
        TRY(offerFrame(consumer, index, m_description.frames[index], compositor.width(),
                       compositor.height(), compositor.canvas()));
        compositor.end();
    }
    return {};
}

} // namespace

bool looksLikeGif(std::span<const std::uint8_t> head) {
    return head.size() >= 6 &&
           (std::memcmp(head.data(), "GIF87a", 6) == 0 || std::memcmp(head.data(), "GIF89a", 6) == 0);
}

common::Result<std::unique_ptr<MediaSource>> openGifSource(const std::string& path,
                                                           const InterruptionCheck& interrupted) {
    return openGifSource(TRY(SourceFile::open(path)), interrupted);
}

common::Result<std::unique_ptr<MediaSource>>
openGifSource(std::shared_ptr<const SourceFile> file, const InterruptionCheck& interrupted) {
    auto source = std::make_unique<GifSource>(std::move(file), interrupted);
    TRY(source->scan());
    return std::unique_ptr<MediaSource>(std::move(source));
}

} // namespace velorin::tools
