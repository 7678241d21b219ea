#include "tools/import/sources/apng/ApngLayout.h"

#include "tools/import/sources/FrameDelay.h"
#include "tools/import/sources/FrameOffer.h"

#include <algorithm>
#include <cstring>
#include <zlib.h>

namespace velorin::tools {

namespace {

constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::uint32_t largestChunk = 0x7fffffff;
// The chunks kept in memory are small; a longer one of these kinds is damaged.
constexpr std::uint32_t largestKeptChunk = 4096;

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | bytes[3];
}

std::uint16_t bigEndian16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
}

bool isLetter(std::uint8_t byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

// The valid bit depths of each colour type.
bool validDepth(std::uint8_t colorType, std::uint8_t bitDepth) {
    switch (colorType) {
    case 0:
        return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
    case 3:
        return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
    case 2:
    case 4:
    case 6:
        return bitDepth == 8 || bitDepth == 16;
    default:
        return false;
    }
}

struct Chunk {
    std::uint64_t start{0};
    std::uint32_t length{0};
    char type[5]{};
    // The data, for the chunks kept in memory.
    std::vector<std::uint8_t> data;
    // The first four data bytes (a sequence number), for the data chunks streamed past.
    std::uint8_t head[4]{};
    bool checksumMatches{false};

    std::uint64_t end() const { return start + 12 + length; }
    bool is(const char* name) const { return std::memcmp(type, name, 4) == 0; }
};

enum class ChunkRead { Read, EndOfFile, CutShort, Damaged, ReadFault };

class ApngWalk {
public:
    ApngWalk(const SourceFile& file, const common::InterruptionCheck& interrupted)
        : m_file(file), m_interrupted(interrupted), m_reader(file) {}

    common::Result<ApngLayout> run();

private:
    ChunkRead readChunk(Chunk& chunk);
    common::Result<void> take(const Chunk& chunk);
    void takeAnimationControl(const Chunk& chunk);
    common::Result<void> takeFrameControl(const Chunk& chunk);
    void takeFrameData(const Chunk& chunk);
    bool checkSequence(std::uint32_t number);
    void invalidate(std::string reason) {
        if (!m_layout.invalidAnimation)
            m_layout.invalidAnimation = std::move(reason);
    }
    common::Result<ApngLayout> finish(ChunkRead ending);
    common::Result<void> finishCutShort(ChunkRead ending);

    const SourceFile& m_file;
    const common::InterruptionCheck& m_interrupted;
    SequentialReader m_reader;
    ApngLayout m_layout;
    bool m_haveHeader{false};
    bool m_haveAnimationControl{false};
    std::uint32_t m_declaredFrames{0};
    bool m_imageDataBegun{false};
    bool m_imageDataEnded{false};
    bool m_sawColorProfile{false};
    std::uint32_t m_nextSequence{0};
    bool m_lastFrameHasData{false};
    // Whether the file ends inside a chunk of image or frame data.
    bool m_cutInsideData{false};
    std::vector<std::uint8_t> m_gamma;
};

ChunkRead ApngWalk::readChunk(Chunk& chunk) {
    chunk.start = m_reader.position();
    std::uint8_t header[8];
    if (!m_reader.read(header, sizeof header)) {
        if (m_reader.readFault())
            return ChunkRead::ReadFault;
        return m_reader.position() == chunk.start ? ChunkRead::EndOfFile : ChunkRead::CutShort;
    }
    chunk.length = bigEndian32(header);
    std::memcpy(chunk.type, header + 4, 4);
    chunk.type[4] = '\0';
    if (chunk.length > largestChunk ||
        !std::all_of(header + 4, header + 8, [](std::uint8_t byte) { return isLetter(byte); }))
        return ChunkRead::Damaged;
    if (m_file.size() - chunk.start < 12 + std::uint64_t{chunk.length}) {
        m_cutInsideData = chunk.is("IDAT") || chunk.is("fdAT");
        return ChunkRead::CutShort;
    }
    bool kept = chunk.is("IHDR") || chunk.is("PLTE") || chunk.is("tRNS") || chunk.is("gAMA") ||
                chunk.is("acTL") || chunk.is("fcTL");
    bool streamed = chunk.is("IDAT") || chunk.is("fdAT");
    chunk.data.clear();
    if (!kept && !streamed)
        return m_reader.skip(std::uint64_t{chunk.length} + 4) ? ChunkRead::Read
                                                               : ChunkRead::CutShort;
    uLong checksum = crc32(0, header + 4, 4);
    if (kept && chunk.length <= largestKeptChunk) {
        chunk.data.resize(chunk.length);
        if (!m_reader.read(chunk.data.data(), chunk.data.size()))
            return m_reader.readFault() ? ChunkRead::ReadFault : ChunkRead::CutShort;
        checksum = crc32(checksum, chunk.data.data(), static_cast<uInt>(chunk.data.size()));
    } else {
        std::uint8_t piece[16384];
        std::uint32_t left = chunk.length;
        bool first = true;
        while (left > 0) {
            std::uint32_t count = std::min<std::uint32_t>(left, sizeof piece);
            if (!m_reader.read(piece, count))
                return m_reader.readFault() ? ChunkRead::ReadFault : ChunkRead::CutShort;
            if (first && count >= 4)
                std::memcpy(chunk.head, piece, 4);
            first = false;
            checksum = crc32(checksum, piece, count);
            left -= count;
        }
    }
    std::uint8_t stored[4];
    if (!m_reader.read(stored, 4))
        return m_reader.readFault() ? ChunkRead::ReadFault : ChunkRead::CutShort;
    chunk.checksumMatches = bigEndian32(stored) == static_cast<std::uint32_t>(checksum) &&
                            (!kept || chunk.data.size() == chunk.length || streamed);
    return ChunkRead::Read;
}

bool ApngWalk::checkSequence(std::uint32_t number) {
    if (number != m_nextSequence) {
        invalidate("its frame chunks are out of order: sequence number " + std::to_string(number) +
                   " stands where " + std::to_string(m_nextSequence) + " belongs");
        return false;
    }
    ++m_nextSequence;
    return true;
}

void ApngWalk::takeAnimationControl(const Chunk& chunk) {
    // An animation control chunk after the image data does not make the file animated.
    if (m_imageDataBegun)
        return;
    if (m_haveAnimationControl) {
        invalidate("it has two animation control chunks");
        return;
    }
    m_haveAnimationControl = true;
    m_layout.animated = true;
    if (chunk.data.size() != 8 || !chunk.checksumMatches) {
        invalidate("its animation control chunk is damaged");
        return;
    }
    m_declaredFrames = bigEndian32(chunk.data.data());
    std::uint32_t plays = bigEndian32(chunk.data.data() + 4);
    if (m_declaredFrames == 0 || m_declaredFrames > largestChunk)
        invalidate("its animation control chunk gives " + std::to_string(m_declaredFrames) +
                   " frames");
    else if (plays > largestChunk)
        invalidate("its animation control chunk gives " + std::to_string(plays) + " plays");
    m_layout.plays = plays;
}

common::Result<void> ApngWalk::takeFrameControl(const Chunk& chunk) {
    if (m_layout.invalidAnimation)
        return {};
    if (chunk.data.size() != 26 || !chunk.checksumMatches) {
        invalidate("a frame control chunk is damaged");
        return {};
    }
    const std::uint8_t* data = chunk.data.data();
    if (!checkSequence(bigEndian32(data)))
        return {};
    std::vector<ApngFrame>& frames = m_layout.frames;
    if (!frames.empty() && !m_lastFrameHasData) {
        invalidate(frameName(frames.size() - 1) + " has no image data");
        return {};
    }
    if (frames.size() == maximumSourceFrames)
        return common::Fault{m_file.path(),
                             "has more than " + std::to_string(maximumSourceFrames) + " frames"};
    ApngFrame frame;
    frame.width = bigEndian32(data + 4);
    frame.height = bigEndian32(data + 8);
    frame.left = bigEndian32(data + 12);
    frame.top = bigEndian32(data + 16);
    frame.delayNumerator = bigEndian16(data + 20);
    frame.delayDenominator = bigEndian16(data + 22);
    std::string name = frameName(frames.size());
    const PngHeader& header = m_layout.header;
    if (!m_imageDataBegun) {
        if (frame.left != 0 || frame.top != 0 || frame.width != header.width ||
            frame.height != header.height) {
            invalidate("the control chunk of the frame shown from the image data does not cover "
                       "the whole image");
            return {};
        }
        frame.fromImageData = true;
    } else if (frame.width == 0 || frame.height == 0 || frame.left > header.width ||
               frame.top > header.height || frame.width > header.width - frame.left ||
               frame.height > header.height - frame.top) {
        invalidate(name + " lies outside the image");
        return {};
    }
    if (data[24] > 2 || data[25] > 1) {
        invalidate(name + " asks for an operation that does not exist");
        return {};
    }
    frame.disposal = static_cast<ApngDisposal>(data[24]);
    frame.blend = static_cast<ApngBlend>(data[25]);
    frames.push_back(frame);
    m_lastFrameHasData = false;
    return {};
}

void ApngWalk::takeFrameData(const Chunk& chunk) {
    if (m_layout.invalidAnimation)
        return;
    if (chunk.length < 4 || !chunk.checksumMatches) {
        invalidate("a frame data chunk is damaged");
        return;
    }
    if (!checkSequence(bigEndian32(chunk.head)))
        return;
    std::vector<ApngFrame>& frames = m_layout.frames;
    if (frames.empty() || frames.back().fromImageData || !m_imageDataBegun) {
        invalidate("frame data stands before its frame control chunk");
        return;
    }
    if (!m_lastFrameHasData)
        frames.back().dataStart = chunk.start;
    frames.back().dataEnd = chunk.end();
    m_lastFrameHasData = true;
}

common::Result<void> ApngWalk::take(const Chunk& chunk) {
    if (!m_haveHeader) {
        if (!chunk.is("IHDR") || chunk.data.size() != 13)
            return common::Fault{m_file.path(), "is damaged: it does not begin with a PNG header"};
        if (!chunk.checksumMatches)
            return common::Fault{m_file.path(), "is damaged: its header's checksum does not match"};
        PngHeader& header = m_layout.header;
        std::memcpy(header.bytes.data(), chunk.data.data(), 13);
        header.width = bigEndian32(chunk.data.data());
        header.height = bigEndian32(chunk.data.data() + 4);
        header.bitDepth = chunk.data[8];
        header.colorType = chunk.data[9];
        header.interlace = chunk.data[12];
        TRY(checkCanvasSize(m_file.path(), header.width, header.height));
        if (!validDepth(header.colorType, header.bitDepth) || chunk.data[10] != 0 ||
            chunk.data[11] != 0 || header.interlace > 1)
            return common::Fault{m_file.path(), "is damaged: its header gives a kind of picture "
                                                "that PNG does not have"};
        m_haveHeader = true;
        return {};
    }
    bool imageData = chunk.is("IDAT");
    if (m_imageDataBegun && !imageData)
        m_imageDataEnded = true;
    if (imageData) {
        // Image data after the first run of it is no part of the picture; libpng passes
        // over it too.
        if (m_imageDataEnded)
            return {};
        if (!chunk.checksumMatches)
            return common::Fault{m_file.path(), "is damaged: the checksum of its image data does "
                                                "not match"};
        if (!m_imageDataBegun) {
            m_imageDataBegun = true;
            m_layout.imageDataStart = chunk.start;
            if (!m_layout.frames.empty() && m_layout.frames.back().fromImageData) {
                m_layout.frames.back().dataStart = chunk.start;
                m_lastFrameHasData = true;
            }
        }
        m_layout.imageDataEnd = chunk.end();
        if (!m_layout.frames.empty() && m_layout.frames.back().fromImageData)
            m_layout.frames.back().dataEnd = chunk.end();
        return {};
    }
    if (chunk.is("acTL")) {
        takeAnimationControl(chunk);
    } else if (chunk.is("fcTL")) {
        m_layout.strayFrameChunks = true;
        return takeFrameControl(chunk);
    } else if (chunk.is("fdAT")) {
        m_layout.strayFrameChunks = true;
        takeFrameData(chunk);
    } else if (chunk.is("iCCP") || chunk.is("sRGB")) {
        // A colour profile supersedes the gamma chunk, which browsers then pass over.
        m_sawColorProfile = true;
    } else if (!m_imageDataBegun && (chunk.is("PLTE") || chunk.is("tRNS") || chunk.is("gAMA"))) {
        if (!chunk.checksumMatches || chunk.data.size() != chunk.length) {
            if (chunk.is("PLTE"))
                return common::Fault{m_file.path(), "is damaged: its palette's checksum does not "
                                                    "match"};
            // A damaged ancillary chunk is passed over, as libpng passes over it.
            return {};
        }
        std::vector<std::uint8_t>& into = chunk.is("gAMA") ? m_gamma : m_layout.pictureChunks;
        std::uint8_t header[8];
        header[0] = static_cast<std::uint8_t>(chunk.length >> 24);
        header[1] = static_cast<std::uint8_t>(chunk.length >> 16);
        header[2] = static_cast<std::uint8_t>(chunk.length >> 8);
        header[3] = static_cast<std::uint8_t>(chunk.length);
        std::memcpy(header + 4, chunk.type, 4);
        into.insert(into.end(), header, header + 8);
        into.insert(into.end(), chunk.data.begin(), chunk.data.end());
        std::uint32_t checksum = static_cast<std::uint32_t>(
            crc32(crc32(0, header + 4, 4), chunk.data.data(), static_cast<uInt>(chunk.length)));
        for (int shift = 24; shift >= 0; shift -= 8)
            into.push_back(static_cast<std::uint8_t>(checksum >> shift));
    } else if (!(chunk.type[0] & 0x20) && !chunk.is("IEND") && !chunk.is("PLTE")) {
        // An unknown chunk that a reader must understand, by the case of its first letter.
        return common::Fault{m_file.path(), std::string("holds a chunk \"") + chunk.type +
                                                "\" that a reader must understand and import does "
                                                "not"};
    }
    return {};
}

common::Result<ApngLayout> ApngWalk::run() {
    std::uint8_t head[8];
    if (!m_reader.read(head, sizeof head) || std::memcmp(head, signature, 8) != 0)
        return common::Fault{m_file.path(), "is not a PNG file"};
    Chunk chunk;
    for (;;) {
        TRY(common::stopIfInterrupted(m_interrupted));
        ChunkRead read = readChunk(chunk);
        if (read != ChunkRead::Read)
            return finish(read);
        TRY(take(chunk));
        if (chunk.is("IEND"))
            return finish(ChunkRead::Read);
    }
}

common::Result<void> ApngWalk::finishCutShort(ChunkRead ending) {
    std::vector<ApngFrame>& frames = m_layout.frames;
    // The last frame is whole unless it has no data yet or the file ends inside its data. (A
    // file that ends just after one of several data chunks of a frame then fails to decode.)
    std::size_t whole = frames.size();
    if (whole > 0 && (!m_lastFrameHasData || m_cutInsideData))
        --whole;
    if (whole == 0)
        return common::Fault{m_file.path(), "is cut short before its first frame is whole"};
    std::size_t declared = m_declaredFrames;
    LostFrames lost;
    lost.where = ending == ChunkRead::Damaged
                     ? "it breaks off after " + frameName(whole - 1) + " with a damaged chunk"
                     : "it is cut short" + (whole < frames.size() ? " in " + frameName(whole)
                                                                 : " after " + frameName(whole - 1));
    for (std::size_t index = whole; index < frames.size(); ++index)
        lost.seconds += apngFrameSeconds(frames[index]);
    lost.frames = declared > whole ? declared - whole : 0;
    // The delays of frames whose control chunk the cut took are not known.
    lost.atLeastSeconds = declared > frames.size();
    frames.resize(whole);
    if (lost.frames > 0)
        m_layout.lost = lost;
    return {};
}

common::Result<ApngLayout> ApngWalk::finish(ChunkRead ending) {
    if (ending == ChunkRead::ReadFault)
        return common::Fault{m_file.path(), "cannot be read to its end"};
    if (!m_haveHeader)
        return common::Fault{m_file.path(), ending == ChunkRead::Damaged
                                                ? "is damaged: it does not begin with a PNG header"
                                                : "is cut short before its header is whole"};
    bool whole = ending == ChunkRead::Read;
    if (!m_imageDataBegun)
        return common::Fault{m_file.path(), whole ? "holds no image data"
                                                  : "is cut short before its picture is whole"};
    if (!whole && !m_imageDataEnded && !m_layout.playsAnimation())
        return common::Fault{m_file.path(), "is cut short before its picture is whole"};
    // The gamma chunk goes first: libpng passes over one that comes after the palette.
    if (!m_sawColorProfile)
        m_layout.pictureChunks.insert(m_layout.pictureChunks.begin(), m_gamma.begin(),
                                      m_gamma.end());
    if (!m_layout.animated) {
        m_layout.frames.clear();
        return std::move(m_layout);
    }
    if (whole && !m_layout.invalidAnimation) {
        if (m_layout.frames.size() != m_declaredFrames)
            invalidate("its animation control chunk gives " + std::to_string(m_declaredFrames) +
                       " frames but it holds " + std::to_string(m_layout.frames.size()));
        else if (!m_lastFrameHasData)
            invalidate(frameName(m_layout.frames.size() - 1) + " has no image data");
    }
    if (!whole && !m_layout.invalidAnimation && m_layout.frames.size() > m_declaredFrames)
        invalidate("its animation control chunk gives " + std::to_string(m_declaredFrames) +
                   " frames but it holds more");
    if (m_layout.invalidAnimation) {
        if (!m_imageDataEnded && !whole)
            return common::Fault{m_file.path(), "is cut short before its picture is whole"};
        m_layout.frames.clear();
        return std::move(m_layout);
    }
    if (!whole) {
        TRY(finishCutShort(ending));
    }
    return std::move(m_layout);
}

} // namespace

bool looksLikePng(std::span<const std::uint8_t> head) {
    return head.size() >= sizeof signature && std::memcmp(head.data(), signature, 8) == 0;
}

double apngFrameSeconds(const ApngFrame& frame) {
    // A denominator of 0 means hundredths.
    return frameDelaySeconds(frame.delayNumerator,
                             frame.delayDenominator == 0 ? 100 : frame.delayDenominator);
}

common::Result<ApngLayout> readApngLayout(const SourceFile& file,
                                          const common::InterruptionCheck& interrupted) {
    ApngWalk walk(file, interrupted);
    return walk.run();
}

} // namespace velorin::tools
