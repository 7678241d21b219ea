#include "tools/import/sources/apng/AnimatedPngSource.h"

#include "tools/import/sources/FrameCompositing.h"
#include "tools/import/sources/FrameOffer.h"
#include "tools/import/sources/SourceFile.h"
#include "tools/import/sources/apng/ApngLayout.h"
#include "tools/import/sources/apng/PngPictureDecoder.h"

#include <algorithm>
#include <cstring>
#include <zlib.h>

namespace velorin::tools {

namespace {

// The most plays counted; more plays longer than anyone watches.
constexpr std::uint32_t mostPlaysCounted = 1000000;

void appendBigEndian32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendChunk(std::vector<std::uint8_t>& bytes, const char* type,
                 const std::uint8_t* data, std::uint32_t length) {
    appendBigEndian32(bytes, length);
    std::size_t typeAt = bytes.size();
    bytes.insert(bytes.end(), type, type + 4);
    bytes.insert(bytes.end(), data, data + length);
    appendBigEndian32(bytes, static_cast<std::uint32_t>(crc32(
                                 0, bytes.data() + typeAt, static_cast<uInt>(4 + length))));
}

// One frame as a PNG of its own: the made header, then the frame's data chunks read from the
// source file as IDAT chunks (an fdAT's sequence number left out), then the end chunk.
class FramePngStream final : public PngByteSource {
public:
    FramePngStream(const SourceFile& file, const ApngLayout& layout, const ApngFrame& frame)
        : m_file(file), m_position(frame.dataStart), m_end(frame.dataEnd) {
        static constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
        m_pending.assign(signature, signature + 8);
        std::array<std::uint8_t, 13> header = layout.header.bytes;
        for (int shift = 24, at = 0; shift >= 0; shift -= 8, ++at) {
            header[at] = static_cast<std::uint8_t>(frame.width >> shift);
            header[4 + at] = static_cast<std::uint8_t>(frame.height >> shift);
        }
        appendChunk(m_pending, "IHDR", header.data(), 13);
        m_pending.insert(m_pending.end(), layout.pictureChunks.begin(), layout.pictureChunks.end());
    }

    std::size_t read(std::uint8_t* destination, std::size_t length) override {
        std::size_t done = 0;
        while (done < length) {
            if (m_taken == m_pending.size() && m_dataLeft == 0 && !nextPiece())
                break;
            if (m_taken < m_pending.size()) {
                std::size_t count = std::min(length - done, m_pending.size() - m_taken);
                std::memcpy(destination + done, m_pending.data() + m_taken, count);
                m_taken += count;
                done += count;
                continue;
            }
            std::size_t count =
                static_cast<std::size_t>(std::min<std::uint64_t>(length - done, m_dataLeft));
            std::int64_t read = m_file.readAt(m_dataAt, destination + done, count);
            if (read <= 0)
                break;
            m_dataAt += static_cast<std::uint64_t>(read);
            m_dataLeft -= static_cast<std::uint64_t>(read);
            done += static_cast<std::size_t>(read);
            if (m_dataLeft == 0) {
                // The checksum is not checked again (see PngPictureDecoder).
                m_pending.assign(4, 0);
                m_taken = 0;
            }
        }
        return done;
    }

private:
    // Sets up the next data chunk, or the end chunk after the last; false past the end.
    bool nextPiece() {
        m_pending.clear();
        m_taken = 0;
        while (m_position < m_end) {
            std::uint8_t header[12];
            if (m_file.readAt(m_position, header, sizeof header) != static_cast<std::int64_t>(12))
                return false;
            std::uint32_t length = static_cast<std::uint32_t>(header[0]) << 24 | header[1] << 16 |
                                   header[2] << 8 | header[3];
            std::uint64_t chunkStart = m_position;
            m_position += 12 + std::uint64_t{length};
            std::uint32_t skipped = 0;
            if (std::memcmp(header + 4, "fdAT", 4) == 0)
                skipped = 4;
            else if (std::memcmp(header + 4, "IDAT", 4) != 0)
                continue;
            if (length < skipped)
                continue;
            appendBigEndian32(m_pending, length - skipped);
            m_pending.insert(m_pending.end(), {'I', 'D', 'A', 'T'});
            m_dataAt = chunkStart + 8 + skipped;
            m_dataLeft = length - skipped;
            if (m_dataLeft == 0)
                m_pending.insert(m_pending.end(), 4, 0);
            return true;
        }
        if (m_ended)
            return false;
        m_ended = true;
        static constexpr std::uint8_t endChunk[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D',
                                                      0xae, 0x42, 0x60, 0x82};
        m_pending.assign(endChunk, endChunk + 12);
        return true;
    }

    const SourceFile& m_file;
    std::vector<std::uint8_t> m_pending;
    std::size_t m_taken{0};
    std::uint64_t m_position;
    std::uint64_t m_end;
    std::uint64_t m_dataAt{0};
    std::uint64_t m_dataLeft{0};
    bool m_ended{false};
};

class AnimatedPngSource final : public MediaSource {
public:
    AnimatedPngSource(std::shared_ptr<const SourceFile> file, InterruptionCheck interrupted)
        : m_handle(std::move(file)), m_file(*m_handle), m_interrupted(std::move(interrupted)) {}

    common::Result<void> scan();
    common::Result<void> decode(FrameConsumer& consumer) override;

private:
    std::shared_ptr<const SourceFile> m_handle;
    const SourceFile& m_file;
    InterruptionCheck m_interrupted;
    ApngLayout m_layout;
    // The frames shown: the animation's, or the default image alone.
    std::vector<ApngFrame> m_frames;
};

common::Result<void> AnimatedPngSource::scan() {
    auto layout = TRY(readApngLayout(m_file, m_interrupted));
    m_layout = std::move(layout);
    SourceDescription& description = m_description;
    description.width = m_layout.header.width;
    description.height = m_layout.header.height;
    if (m_layout.playsAnimation()) {
        description.kind = SourceKind::AnimatedPng;
        description.formatName = "apng";
        description.plays = m_layout.plays == 0
                                ? playsForever
                                : static_cast<int>(std::min(m_layout.plays, mostPlaysCounted));
        m_frames = m_layout.frames;
        double start = 0;
        for (const ApngFrame& frame : m_frames) {
            double duration = apngFrameSeconds(frame);
            description.frames.push_back({start, duration});
            start += duration;
        }
        description.lengthSeconds = start;
        description.lostFrames = m_layout.lost;
        return {};
    }
    description.kind = m_layout.animated ? SourceKind::AnimatedPng : SourceKind::StillImage;
    description.formatName = m_layout.animated ? "apng" : "png";
    ApngFrame still;
    still.width = m_layout.header.width;
    still.height = m_layout.header.height;
    still.dataStart = m_layout.imageDataStart;
    still.dataEnd = m_layout.imageDataEnd;
    still.fromImageData = true;
    m_frames = {still};
    description.frames.push_back({0, 0});
    if (m_layout.invalidAnimation)
        description.notes.push_back("its animation is not valid (" + *m_layout.invalidAnimation +
                                    "), so, as browsers do, only its still default image is "
                                    "imported");
    else if (m_layout.strayFrameChunks)
        description.notes.push_back("it has frame chunks but no animation control chunk before "
                                    "its image data, so, as browsers do, only its still image is "
                                    "imported");
    return {};
}

common::Result<void> AnimatedPngSource::decode(FrameConsumer& consumer) {
    FrameCompositor compositor(m_description.width, m_description.height);
    std::vector<std::uint8_t> pixels;
    for (std::size_t index = 0; index < m_frames.size(); ++index) {
        if (consumer.finished())
            return {};
        TRY(consumer.poll());
        const ApngFrame& frame = m_frames[index];
        FramePngStream stream(m_file, m_layout, frame);
        if (auto result = decodePngPicture(stream, frame.width, frame.height, pixels); !result)
            return common::Fault{
                m_file.path(), frameName(index) + " cannot be decoded: " + result.fault().message};
        // On the first frame "previous" clears, and "over" lays the frame on a transparent
        // canvas, which gives the frame itself.
        FrameDisposal disposal = FrameDisposal::Keep;
        if (frame.disposal == ApngDisposal::Background ||
            (frame.disposal == ApngDisposal::Previous && index == 0))
            disposal = FrameDisposal::ClearToTransparent;
        else if (frame.disposal == ApngDisposal::Previous)
            disposal = FrameDisposal::RestorePrevious;
        FrameBlend blend = frame.blend == ApngBlend::Over && index > 0 ? FrameBlend::Over
                                                                        : FrameBlend::Replace;
        compositor.begin({frame.left, frame.top, frame.width, frame.height}, disposal);
        for (std::uint32_t row = 0; row < frame.height; ++row)
            compositor.drawRow(row, pixels.data() + std::size_t{row} * frame.width * 4, blend);
        TRY(offerFrame(consumer, index, m_description.frames[index], compositor.width(),
                       compositor.height(), compositor.canvas()));
        compositor.end();
    }
    return {};
}

} // namespace

common::Result<std::unique_ptr<MediaSource>>
openAnimatedPngSource(const std::string& path, const InterruptionCheck& interrupted) {
    return openAnimatedPngSource(TRY(SourceFile::open(path)), interrupted);
}

common::Result<std::unique_ptr<MediaSource>>
openAnimatedPngSource(std::shared_ptr<const SourceFile> file, const InterruptionCheck& interrupted) {
    auto source = std::make_unique<AnimatedPngSource>(std::move(file), interrupted);
    TRY(source->scan());
    return std::unique_ptr<MediaSource>(std::move(source));
}

} // namespace velorin::tools
