#include "tools/import/sources/gif/GifBlocks.h"

#include <cstring>

namespace velorin::tools {

namespace {

constexpr std::uint8_t extensionIntroducer = 0x21;
constexpr std::uint8_t imageSeparator = 0x2c;
constexpr std::uint8_t trailer = 0x3b;
constexpr std::uint8_t graphicControlLabel = 0xf9;
constexpr std::uint8_t applicationLabel = 0xff;
constexpr std::size_t applicationIdentifierBytes = 11;
constexpr std::size_t graphicControlBytes = 4;

std::uint16_t littleEndian16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::size_t colorTableBytes(std::uint8_t packed) {
    return std::size_t{3} << ((packed & 7) + 1);
}

} // namespace

GifBlockReader::GifBlockReader(const SourceFile& file) : m_file(file), m_reader(file) {}

common::Result<GifScreen> GifBlockReader::readScreen() {
    std::uint8_t header[13];
    if (!m_reader.read(header, sizeof header)) {
        if (m_reader.readFault())
            return common::Fault{m_file.path(), "cannot be read"};
        return common::Fault{m_file.path(), "is cut short before its logical screen is whole"};
    }
    if (std::memcmp(header, "GIF87a", 6) != 0 && std::memcmp(header, "GIF89a", 6) != 0)
        return common::Fault{m_file.path(), "is not a GIF file"};
    GifScreen screen;
    screen.width = littleEndian16(header + 6);
    screen.height = littleEndian16(header + 8);
    if (header[10] & 0x80) {
        screen.globalPalette.resize(colorTableBytes(header[10]));
        if (!m_reader.read(screen.globalPalette.data(), screen.globalPalette.size()))
            return common::Fault{m_file.path(), m_reader.readFault()
                                                    ? "cannot be read"
                                                    : "is cut short in its global colour table"};
    }
    return screen;
}

std::optional<GifImage> GifBlockReader::stop(GifEnding::Kind kind) {
    if (m_reader.readFault())
        kind = GifEnding::Kind::ReadFault;
    m_ending.kind = kind;
    m_ending.insideImage = m_insideImage;
    m_ending.lostDelayHundredths = m_pendingDelay;
    m_ended = true;
    return std::nullopt;
}

bool GifBlockReader::skipSubBlocks() {
    std::uint8_t size = 0;
    while (m_reader.readByte(size)) {
        if (size == 0)
            return true;
        if (!m_reader.skip(size))
            return false;
    }
    return false;
}

// Reads an application extension's identifier and first sub-block, after its size byte, and
// takes the loop count from a looping extension; false when the file ends first.
bool GifBlockReader::readApplication() {
    std::uint8_t identifier[applicationIdentifierBytes];
    if (!m_reader.read(identifier, sizeof identifier))
        return false;
    std::uint8_t size = 0;
    if (!m_reader.readByte(size))
        return false;
    if (size == 0)
        return true;
    std::vector<std::uint8_t> data(size);
    if (!m_reader.read(data.data(), data.size()))
        return false;
    bool looping = std::memcmp(identifier, "NETSCAPE2.0", 11) == 0 ||
                   std::memcmp(identifier, "ANIMEXTS1.0", 11) == 0;
    if (looping && !m_imageSeen && size >= 3 && data[0] == 1) {
        int loops = data[1] | data[2] << 8;
        m_plays = loops == 0 ? playsForever : loops + 1;
    }
    return skipSubBlocks();
}

std::optional<GifImage> GifBlockReader::nextImage() {
    if (m_ended)
        return std::nullopt;
    GifImage image;
    m_insideImage = false;
    m_pendingDelay.reset();
    for (;;) {
        std::uint8_t introducer = 0;
        if (!m_reader.readByte(introducer))
            return stop(GifEnding::Kind::CutShort);
        if (introducer == trailer)
            return stop(GifEnding::Kind::Trailer);
        if (introducer == extensionIntroducer) {
            std::uint8_t label = 0;
            std::uint8_t size = 0;
            if (!m_reader.readByte(label) || !m_reader.readByte(size))
                return stop(GifEnding::Kind::CutShort);
            if (label == graphicControlLabel && size >= graphicControlBytes) {
                // The extension belongs to the next image: from here a cut loses that image.
                m_insideImage = true;
                std::uint8_t control[graphicControlBytes];
                if (!m_reader.read(control, sizeof control) ||
                    !m_reader.skip(size - graphicControlBytes))
                    return stop(GifEnding::Kind::CutShort);
                // A later control extension before the same image replaces an earlier one.
                image.disposal = static_cast<std::uint8_t>((control[0] >> 2) & 7);
                image.delayHundredths = littleEndian16(control + 1);
                image.transparentIndex.reset();
                if (control[0] & 1)
                    image.transparentIndex = control[3];
                m_pendingDelay = image.delayHundredths;
            } else if (label == applicationLabel && size == applicationIdentifierBytes) {
                if (!readApplication())
                    return stop(GifEnding::Kind::CutShort);
                continue;
            } else if (!m_reader.skip(size)) {
                return stop(GifEnding::Kind::CutShort);
            }
            if (size != 0 && !skipSubBlocks())
                return stop(GifEnding::Kind::CutShort);
            continue;
        }
        if (introducer != imageSeparator)
            return stop(GifEnding::Kind::StrayData);
        m_insideImage = true;
        m_imageSeen = true;
        std::uint8_t descriptor[9];
        if (!m_reader.read(descriptor, sizeof descriptor))
            return stop(GifEnding::Kind::CutShort);
        image.area = {littleEndian16(descriptor), littleEndian16(descriptor + 2),
                      littleEndian16(descriptor + 4), littleEndian16(descriptor + 6)};
        image.interlaced = (descriptor[8] & 0x40) != 0;
        if (descriptor[8] & 0x80) {
            std::vector<std::uint8_t> palette(colorTableBytes(descriptor[8]));
            if (!m_reader.read(palette.data(), palette.size()))
                return stop(GifEnding::Kind::CutShort);
            image.localPalette = std::move(palette);
        }
        image.dataOffset = m_reader.position();
        std::uint8_t codeSize = 0;
        if (!m_reader.readByte(codeSize) || !skipSubBlocks())
            return stop(GifEnding::Kind::CutShort);
        image.dataLength = m_reader.position() - image.dataOffset;
        m_insideImage = false;
        m_pendingDelay.reset();
        return image;
    }
}

} // namespace velorin::tools
