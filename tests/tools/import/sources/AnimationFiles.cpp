#include "tests/tools/import/sources/AnimationFiles.h"

#include <fstream>
#include <stdexcept>
#include <zlib.h>

namespace velorin::testing {

namespace {

void putLittleEndian16(std::string& bytes, std::uint32_t value) {
    bytes += static_cast<char>(value & 0xff);
    bytes += static_cast<char>((value >> 8) & 0xff);
}

void putBigEndian32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A colour table of 2^n entries holding `colors`, and its size field n − 1.
std::string colorTable(const std::vector<Color>& colors, int& sizeField) {
    sizeField = 0;
    while ((2u << sizeField) < colors.size())
        ++sizeField;
    std::string table;
    for (std::size_t entry = 0; entry < (2u << sizeField); ++entry) {
        Color color = entry < colors.size() ? colors[entry] : Color{0, 0, 0, 255};
        table += static_cast<char>(color.red);
        table += static_cast<char>(color.green);
        table += static_cast<char>(color.blue);
    }
    return table;
}

// LZW data with a code size of 8: every pixel is a 9-bit literal code, and a clear code
// after every 254 of them keeps the decoder's table from growing to 10-bit codes.
std::string lzwData(const std::vector<std::uint8_t>& indices) {
    constexpr std::uint32_t clear = 256;
    constexpr std::uint32_t end = 257;
    std::string packed;
    std::uint32_t bits = 0;
    int bitCount = 0;
    auto put = [&](std::uint32_t code) {
        bits |= code << bitCount;
        bitCount += 9;
        while (bitCount >= 8) {
            packed += static_cast<char>(bits & 0xff);
            bits >>= 8;
            bitCount -= 8;
        }
    };
    put(clear);
    int sinceClear = 0;
    for (std::uint8_t index : indices) {
        put(index);
        if (++sinceClear == 254) {
            put(clear);
            sinceClear = 0;
        }
    }
    put(end);
    if (bitCount > 0)
        packed += static_cast<char>(bits & 0xff);
    std::string data(1, '\x08');
    for (std::size_t at = 0; at < packed.size(); at += 255) {
        std::string block = packed.substr(at, 255);
        data += static_cast<char>(block.size());
        data += block;
    }
    return data + '\0';
}

std::vector<std::uint8_t> interlacedOrder(const GifFrameLayout& frame) {
    std::vector<std::uint8_t> ordered;
    static constexpr int starts[4] = {0, 4, 2, 1};
    static constexpr int steps[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int row = starts[pass]; row < frame.height; row += steps[pass]) {
            auto from = frame.indices.begin() + row * frame.width;
            ordered.insert(ordered.end(), from, from + frame.width);
        }
    }
    return ordered;
}

} // namespace

GifFrameLayout filledGifFrame(std::uint16_t left, std::uint16_t top, std::uint16_t width,
                              std::uint16_t height, std::uint8_t index) {
    GifFrameLayout frame;
    frame.left = left;
    frame.top = top;
    frame.width = width;
    frame.height = height;
    frame.indices.assign(std::size_t{width} * height, index);
    return frame;
}

std::string gifBytes(const GifLayout& layout) {
    std::string bytes = "GIF89a";
    putLittleEndian16(bytes, layout.width);
    putLittleEndian16(bytes, layout.height);
    int sizeField = 0;
    std::string table = layout.globalPalette ? colorTable(*layout.globalPalette, sizeField) : "";
    bytes += static_cast<char>(layout.globalPalette ? 0x80 | 0x70 | sizeField : 0);
    bytes += '\0';
    bytes += '\0';
    bytes += table;
    for (const GifFrameLayout& frame : layout.frames) {
        if (frame.withControl) {
            bytes += "\x21\xf9\x04";
            bytes += static_cast<char>(frame.disposal << 2 | (frame.transparentIndex ? 1 : 0));
            putLittleEndian16(bytes, frame.delayHundredths);
            bytes += static_cast<char>(frame.transparentIndex.value_or(0));
            bytes += '\0';
        }
        bytes += '\x2c';
        putLittleEndian16(bytes, frame.left);
        putLittleEndian16(bytes, frame.top);
        putLittleEndian16(bytes, frame.width);
        putLittleEndian16(bytes, frame.height);
        int localSize = 0;
        std::string local = frame.localPalette ? colorTable(*frame.localPalette, localSize) : "";
        bytes += static_cast<char>((frame.localPalette ? 0x80 | localSize : 0) |
                                   (frame.interlaced ? 0x40 : 0));
        bytes += local;
        bytes += lzwData(frame.interlaced ? interlacedOrder(frame) : frame.indices);
    }
    return bytes + '\x3b';
}

std::string pngBytes(const std::vector<PngChunk>& chunks) {
    std::vector<std::uint8_t> bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    for (const PngChunk& chunk : chunks) {
        putBigEndian32(bytes, static_cast<std::uint32_t>(chunk.data.size()));
        std::size_t typeAt = bytes.size();
        bytes.insert(bytes.end(), chunk.type.begin(), chunk.type.end());
        bytes.insert(bytes.end(), chunk.data.begin(), chunk.data.end());
        auto checksum = static_cast<std::uint32_t>(
            crc32(0, bytes.data() + typeAt, static_cast<uInt>(4 + chunk.data.size())));
        putBigEndian32(bytes, chunk.damagedChecksum ? ~checksum : checksum);
    }
    return std::string(bytes.begin(), bytes.end());
}

PngChunk pngHeader(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth,
                   std::uint8_t colorType) {
    PngChunk chunk{"IHDR", {}, false};
    putBigEndian32(chunk.data, width);
    putBigEndian32(chunk.data, height);
    chunk.data.insert(chunk.data.end(), {bitDepth, colorType, 0, 0, 0});
    return chunk;
}

PngChunk animationControl(std::uint32_t frames, std::uint32_t plays) {
    PngChunk chunk{"acTL", {}, false};
    putBigEndian32(chunk.data, frames);
    putBigEndian32(chunk.data, plays);
    return chunk;
}

PngChunk frameControl(std::uint32_t sequence, std::uint32_t width, std::uint32_t height,
                      std::uint32_t left, std::uint32_t top, std::uint16_t delayNumerator,
                      std::uint16_t delayDenominator, std::uint8_t disposal, std::uint8_t blend) {
    PngChunk chunk{"fcTL", {}, false};
    for (std::uint32_t value : {sequence, width, height, left, top})
        putBigEndian32(chunk.data, value);
    chunk.data.insert(chunk.data.end(),
                      {static_cast<std::uint8_t>(delayNumerator >> 8),
                       static_cast<std::uint8_t>(delayNumerator),
                       static_cast<std::uint8_t>(delayDenominator >> 8),
                       static_cast<std::uint8_t>(delayDenominator), disposal, blend});
    return chunk;
}

std::vector<std::uint8_t> compressedRows(const std::vector<std::uint8_t>& raw,
                                         std::size_t rowBytes) {
    std::vector<std::uint8_t> filtered;
    for (std::size_t at = 0; at < raw.size(); at += rowBytes) {
        filtered.push_back(0);
        filtered.insert(filtered.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                        raw.begin() + static_cast<std::ptrdiff_t>(at + rowBytes));
    }
    uLongf size = compressBound(static_cast<uLong>(filtered.size()));
    std::vector<std::uint8_t> compressed(size);
    if (compress(compressed.data(), &size, filtered.data(), static_cast<uLong>(filtered.size())) !=
        Z_OK)
        throw std::runtime_error("cannot compress test rows");
    compressed.resize(size);
    return compressed;
}

std::vector<std::uint8_t> compressedPicture(const Picture& picture) {
    return compressedRows(picture.pixels, std::size_t{picture.width} * 4);
}

PngChunk imageData(const std::vector<std::uint8_t>& compressed) {
    return {"IDAT", compressed, false};
}

PngChunk frameData(std::uint32_t sequence, const std::vector<std::uint8_t>& compressed) {
    PngChunk chunk{"fdAT", {}, false};
    putBigEndian32(chunk.data, sequence);
    chunk.data.insert(chunk.data.end(), compressed.begin(), compressed.end());
    return chunk;
}

PngChunk endChunk() {
    return {"IEND", {}, false};
}

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace velorin::testing
