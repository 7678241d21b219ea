#include "platform/display/PngFastPath.h"

#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <new>

namespace platform::png {

namespace {

constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// A chunk's length and type before its data, and its CRC after.
constexpr std::size_t chunkOverhead = 12;
constexpr std::size_t headerLength = 13;
constexpr std::uint8_t colorTypeRgb = 2;
constexpr std::uint8_t colorTypeRgba = 6;

std::uint32_t readBigEndian32(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

bool isLetter(std::uint8_t byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

bool typeIs(const std::uint8_t* type, const char (&name)[5]) {
    return std::memcmp(type, name, 4) == 0;
}

// The header's facts when the fast path takes such an image; none otherwise.
std::optional<FastPathPlan> planOfHeader(const std::uint8_t* data) {
    std::uint32_t width = readBigEndian32(data);
    std::uint32_t height = readBigEndian32(data + 4);
    std::uint8_t bitDepth = data[8];
    std::uint8_t colorType = data[9];
    bool plain = data[10] == 0 && data[11] == 0 && data[12] == 0;
    if (width == 0 || height == 0 || width > maximumImageSide || height > maximumImageSide ||
        bitDepth != 8 || (colorType != colorTypeRgb && colorType != colorTypeRgba) || !plain)
        return std::nullopt;
    FastPathPlan plan;
    plan.size = {width, height};
    plan.channels = colorType == colorTypeRgba ? 4 : 3;
    return plan;
}

// What the chunk that comes next may be, as the scan goes on.
enum class ScanState { BeforeImageData, InImageData, AfterImageData };

// The image data run together, borrowed from the file when it is one chunk.
class JoinedImageData {
public:
    bool join(std::span<const std::uint8_t> bytes, const FastPathPlan& plan) {
        const std::uint8_t* chunk = bytes.data() + plan.firstImageData;
        if (plan.imageDataChunks == 1) {
            m_data = {chunk + 8, plan.imageDataBytes};
            return true;
        }
        // The joined copy is scratch; without memory for it, libpng, which needs none,
        // still has its chance.
        m_copy.reset(new (std::nothrow) std::uint8_t[plan.imageDataBytes]);
        if (!m_copy)
            return false;
        std::size_t filled = 0;
        for (std::size_t index = 0; index < plan.imageDataChunks; ++index) {
            std::size_t length = readBigEndian32(chunk);
            std::memcpy(m_copy.get() + filled, chunk + 8, length);
            filled += length;
            chunk += chunkOverhead + length;
        }
        m_data = {m_copy.get(), filled};
        return true;
    }
    std::span<const std::uint8_t> data() const { return m_data; }

private:
    std::unique_ptr<std::uint8_t[]> m_copy;
    std::span<const std::uint8_t> m_data;
};

// zlib, which libpng inflates with, keeps only the window the stream's header declares and
// refuses a distance past it; libdeflate allows any distance back to the start. The two agree
// when the window is deflate's largest, or holds the whole output.
bool windowCoversDistances(std::span<const std::uint8_t> stream, std::size_t inflatedBytes) {
    if (stream.empty())
        return false;
    unsigned windowBits = (stream[0] >> 4) + 8;
    return windowBits == 15 || (windowBits < 15 && inflatedBytes <= (std::size_t{1} << windowBits));
}

struct Decompressor {
    Decompressor() : state(libdeflate_alloc_decompressor()) {}
    ~Decompressor() { libdeflate_free_decompressor(state); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
    libdeflate_decompressor* state;
};

bool inflateExactly(std::span<const std::uint8_t> stream, std::uint8_t* output,
                    std::size_t outputBytes) {
    Decompressor decompressor;
    if (!decompressor.state)
        return false;
    std::size_t read = 0;
    std::size_t written = 0;
    auto result = libdeflate_zlib_decompress_ex(decompressor.state, stream.data(), stream.size(),
                                                output, outputBytes, &read, &written);
    // Bytes left over after the stream, or a stream that stops short, are for libpng to judge.
    return result == LIBDEFLATE_SUCCESS && read == stream.size() && written == outputBytes;
}

// Four bytes a pixel: each row is unfiltered into its final place, which lies as many bytes
// before its filtered bytes as there are filter bytes before them.
bool unfilterFourBytes(std::uint8_t* buffer, const FastPathPlan& plan, UnfilterKernel kernel) {
    std::size_t rowBytes = std::size_t{plan.size.width} * 4;
    for (std::size_t row = 0; row < plan.size.height; ++row) {
        const std::uint8_t* filtered = buffer + row * (rowBytes + 1);
        if (*filtered >= rowFilterCount)
            return false;
        std::uint8_t* target = buffer + row * rowBytes;
        unfilterRow(kernel, static_cast<RowFilter>(*filtered), 4, filtered + 1, target,
                    row == 0 ? nullptr : target - rowBytes, rowBytes);
    }
    return true;
}

// Three bytes a pixel: the filtered rows lie at the end of the buffer; each is unfiltered into
// one of two small rows (the current one and the one above) and widened from there into its
// final place. A widened row ends before the next filtered row begins, since a filtered row is
// at most one byte a pixel shorter than a widened one.
bool unfilterThreeBytes(std::uint8_t* buffer, std::size_t bufferBytes, const FastPathPlan& plan,
                        UnfilterKernel kernel) {
    std::size_t width = plan.size.width;
    std::size_t rowBytes = width * 3;
    const std::uint8_t* filtered = buffer + bufferBytes - plan.size.height * (rowBytes + 1);
    std::unique_ptr<std::uint8_t[]> rows(new std::uint8_t[2 * rowBytes]);
    std::uint8_t* current = rows.get();
    std::uint8_t* above = nullptr;
    for (std::size_t row = 0; row < plan.size.height; ++row, filtered += rowBytes + 1) {
        if (*filtered >= rowFilterCount)
            return false;
        unfilterRow(kernel, static_cast<RowFilter>(*filtered), 3, filtered + 1, current, above,
                    rowBytes);
        std::uint8_t* target = buffer + row * width * 4;
        for (std::size_t pixel = 0; pixel < width; ++pixel) {
            std::memcpy(target + pixel * 4, current + pixel * 3, 3);
            target[pixel * 4 + 3] = 0xFF;
        }
        above = current;
        current = current == rows.get() ? rows.get() + rowBytes : rows.get();
    }
    return true;
}

} // namespace

std::optional<FastPathPlan> planFastPath(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < sizeof signature || std::memcmp(bytes.data(), signature, sizeof signature) != 0)
        return std::nullopt;
    std::optional<FastPathPlan> plan;
    ScanState state = ScanState::BeforeImageData;
    std::size_t offset = sizeof signature;
    while (bytes.size() - offset >= chunkOverhead) {
        const std::uint8_t* chunk = bytes.data() + offset;
        std::size_t length = readBigEndian32(chunk);
        const std::uint8_t* type = chunk + 4;
        if (length > chunkByteLimit || length > bytes.size() - offset - chunkOverhead)
            return std::nullopt;
        if (!isLetter(type[0]) || !isLetter(type[1]) || !isLetter(type[2]) || !isLetter(type[3]))
            return std::nullopt;
        if (libdeflate_crc32(0, type, 4 + length) != readBigEndian32(type + 4 + length))
            return std::nullopt;
        bool first = offset == sizeof signature;
        if (first != typeIs(type, "IHDR"))
            return std::nullopt;
        if (first) {
            if (length != headerLength || !(plan = planOfHeader(chunk + 8)))
                return std::nullopt;
        } else if (typeIs(type, "IDAT")) {
            if (state == ScanState::AfterImageData)
                return std::nullopt;
            if (state == ScanState::BeforeImageData)
                plan->firstImageData = offset;
            state = ScanState::InImageData;
            plan->imageDataChunks += 1;
            plan->imageDataBytes += length;
        } else if (typeIs(type, "IEND")) {
            if (state == ScanState::BeforeImageData || length != 0)
                return std::nullopt;
            return plan;
        } else if ((type[0] & 0x20) == 0 || typeIs(type, "tRNS")) {
            // A critical chunk (upper-case first letter) other than these, or the one
            // ancillary chunk that changes pixels.
            return std::nullopt;
        } else if (state == ScanState::InImageData) {
            state = ScanState::AfterImageData;
        }
        offset += chunkOverhead + length;
    }
    // The file ends before its end chunk.
    return std::nullopt;
}

bool decodeWithFastPath(std::span<const std::uint8_t> bytes, const FastPathPlan& plan,
                        UnfilterKernel kernel, PixelBytes& pixels) {
    JoinedImageData imageData;
    if (!imageData.join(bytes, plan))
        return false;
    std::size_t height = plan.size.height;
    std::size_t pixelBytes = plan.size.decodedBytes();
    std::size_t filteredBytes = height * (std::size_t{plan.size.width} * plan.channels + 1);
    if (!windowCoversDistances(imageData.data(), filteredBytes))
        return false;
    // The frame's buffer with room for the filter bytes: the image data is inflated straight
    // into it, at its end, and every byte is written before it is read.
    std::size_t bufferBytes = pixelBytes + height;
    pixels.resize(bufferBytes);
    std::uint8_t* filtered = pixels.data() + bufferBytes - filteredBytes;
    if (!inflateExactly(imageData.data(), filtered, filteredBytes))
        return false;
    bool unfiltered = plan.channels == 4
                          ? unfilterFourBytes(pixels.data(), plan, kernel)
                          : unfilterThreeBytes(pixels.data(), bufferBytes, plan, kernel);
    if (!unfiltered)
        return false;
    pixels.resize(pixelBytes);
    return true;
}

} // namespace platform::png
