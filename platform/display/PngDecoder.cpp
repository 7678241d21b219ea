// PNG decoding into RGBA8 pixels: the fast path (PngFastPath.h) first, then libpng for every
// file the fast path hands over. libpng has the last word on whether a file is an image.
//
// libpng reports errors by longjmp back to a setjmp in its caller. A longjmp that crosses a
// C++ frame holding objects with destructors skips those destructors, so the decoder keeps
// every setjmp in a small function (readHeader, readPixels) whose frame, like the frames of
// the read and error callbacks, holds only trivial values. Everything that owns memory (the
// libpng structures, the pixel buffer, the row table) lives in `decodeWithLibpng`, above the
// jump targets, where no jump ever lands or passes.
//
// Safety: the header is read and checked before any pixel memory is allocated, so a file that
// claims an enormous size is refused at the cost of reading 33 bytes (the fast path reads the
// chunks it is given, in memory, before it allocates). libpng is also told the side limit
// itself, and its every allocation goes through an allocator that refuses requests over the
// ancillary-chunk limit (see allocateWithinLimit). Every chunk's CRC is checked,
// ancillary ones included, and the data must run to the end chunk: a damaged or truncated file
// gives no image rather than a partly decoded one.

#include "platform/display/DisplayBookkeeping.h"
#include "platform/display/Image.h"
#include "platform/display/PngDecoding.h"
#include "platform/display/PngErrors.h"
#include "platform/display/PngExpansion.h"
#include "platform/display/PngFastPath.h"

#include <atomic>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <png.h>

namespace platform {

namespace {

constexpr std::size_t signatureLength = 8;
constexpr png_alloc_size_t chunkAllocationLimit = png::chunkByteLimit;
constexpr png_uint_32 chunkCacheLimit = 128;

struct MemorySource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t offset;
};

void readFromMemory(png_structp png, png_bytep destination, std::size_t length) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->size - source->offset)
        png_error(png, "truncated");
    std::memcpy(destination, source->data + source->offset, length);
    source->offset += length;
}

// libpng sizes a chunk's buffer from the length the chunk claims, before reading its data,
// and when reading treats a length over the chunk limit as a mere warning; so a few bytes
// whose text chunk claims 2 GB would have it ask for 2 GB. Nothing libpng needs for an image
// within the side limit comes near the chunk limit (a row of 8192 pixels of 16-bit RGBA is
// 64 KiB), so a larger request is refused: libpng then skips that chunk or fails the read.
png_voidp allocateWithinLimit(png_structp, png_alloc_size_t size) {
    // One byte over the limit leaves room for the terminator libpng adds to a text chunk.
    if (size > chunkAllocationLimit + 1)
        return nullptr;
    return std::malloc(size);
}

void releaseAllocation(png_structp, png_voidp pointer) {
    std::free(pointer);
}

struct HeaderFacts {
    png_uint_32 width;
    png_uint_32 height;
    std::size_t rowBytes;
    int channels;
    int bitDepth;
};

// Reads the chunks before the image data and sets up the expansion to RGBA8.
bool readHeader(png_structp png, png_infop info, HeaderFacts* facts) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    expandPngToRgba8(png, info);
    png_read_update_info(png, info);
    facts->width = png_get_image_width(png, info);
    facts->height = png_get_image_height(png, info);
    facts->rowBytes = png_get_rowbytes(png, info);
    facts->channels = png_get_channels(png, info);
    facts->bitDepth = png_get_bit_depth(png, info);
    return true;
}

bool readPixels(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    // Reads on to the end chunk, so that damage after the image data is found as well.
    png_read_end(png, nullptr);
    return true;
}

class ReadStructures {
public:
    ReadStructures() {
        png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, ignoreWarning,
                                       nullptr, allocateWithinLimit, releaseAllocation);
        if (png)
            info = png_create_info_struct(png);
    }
    ~ReadStructures() {
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
    ReadStructures(const ReadStructures&) = delete;
    ReadStructures& operator=(const ReadStructures&) = delete;

    png_structp png{nullptr};
    png_infop info{nullptr};
};

// Counts a pixel buffer in the image statistics while the decoder holds it, so that the peak
// shows it even when the decode fails.
class ProvisionalBytes {
public:
    explicit ProvisionalBytes(std::size_t bytes) : m_bytes(bytes) {
        display::countImageBytes(bytes);
    }
    ~ProvisionalBytes() { display::uncountImageBytes(m_bytes); }
    ProvisionalBytes(const ProvisionalBytes&) = delete;
    ProvisionalBytes& operator=(const ProvisionalBytes&) = delete;

private:
    std::size_t m_bytes;
};

bool decodePixels(ReadStructures& structures, const HeaderFacts& facts, PixelBytes& pixels) {
    std::size_t rowBytes = std::size_t{facts.width} * 4;
    // libpng writes every byte of every row, so the buffer is not cleared first.
    pixels.resize(rowBytes * facts.height);
    std::vector<png_bytep> rows(facts.height);
    for (std::size_t row = 0; row < facts.height; ++row)
        rows[row] = pixels.data() + row * rowBytes;
    return readPixels(structures.png, rows.data());
}

// Decodes `bytes` with libpng into `pixels`; `accept` sees the header's size first and may
// refuse it before any pixel memory is taken. Touches no state of the platform.
template <typename Accept>
bool decodeWithLibpng(std::span<const std::uint8_t> bytes, Accept accept, PixelBytes& pixels,
                      PngSize& size) {
    HeaderFacts facts{};
    if (bytes.size() < signatureLength || png_sig_cmp(bytes.data(), 0, signatureLength) != 0)
        return false;
    ReadStructures structures;
    if (!structures.info)
        return false;
    MemorySource source{bytes.data(), bytes.size(), 0};
    png_set_read_fn(structures.png, &source, readFromMemory);
    png_set_user_limits(structures.png, maximumImageSide, maximumImageSide);
    png_set_chunk_malloc_max(structures.png, chunkAllocationLimit);
    png_set_chunk_cache_max(structures.png, chunkCacheLimit);
    png_set_crc_action(structures.png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);

    if (!readHeader(structures.png, structures.info, &facts))
        return false;
    // The size is checked here too, in full-width arithmetic, rather than trusted to the
    // limits set above.
    if (facts.width == 0 || facts.height == 0 || facts.width > maximumImageSide ||
        facts.height > maximumImageSide)
        return false;
    if (facts.channels != 4 || facts.bitDepth != 8 ||
        facts.rowBytes != std::size_t{facts.width} * 4)
        return false;
    size = {facts.width, facts.height};
    if (!accept(size))
        return false;
    return decodePixels(structures, facts, pixels);
}

std::atomic<PngDecoderRoute>& routeStorage() {
    static std::atomic<PngDecoderRoute> route = [] {
        const char* choice = std::getenv("VELORIN_PNG_FAST_PATH");
        return choice && std::strcmp(choice, "off") == 0 ? PngDecoderRoute::LibpngOnly
                                                         : PngDecoderRoute::FastPathFirst;
    }();
    return route;
}

// Decodes `bytes` into `pixels` by the process's route, with `accept` as above. A file the
// fast path takes has the same header for libpng, so its refusal by `accept` is final.
template <typename Accept>
bool decodeInto(std::span<const std::uint8_t> bytes, Accept accept, PixelBytes& pixels,
                PngSize& size) {
    if (pngDecoderRoute() == PngDecoderRoute::FastPathFirst) {
        if (auto plan = png::planFastPath(bytes)) {
            size = plan->size;
            if (!accept(size))
                return false;
            if (png::decodeWithFastPath(bytes, *plan, png::fastestUnfilterKernel(), pixels))
                return true;
        }
    }
    return decodeWithLibpng(bytes, accept, pixels, size);
}

std::uint32_t readBigEndian32(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

} // namespace

void expandPngToRgba8(png_structp png, png_infop info) {
    int colorType = png_get_color_type(png, info);
    int bitDepth = png_get_bit_depth(png, info);
    bool hasTransparencyChunk = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (bitDepth == 16)
        png_set_scale_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (hasTransparencyChunk)
        png_set_tRNS_to_alpha(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if ((colorType & PNG_COLOR_MASK_ALPHA) == 0 && !hasTransparencyChunk)
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
}

std::optional<PngSize> readPngSize(std::span<const std::uint8_t> bytes) {
    // The signature, then the first chunk, which must be the header: its length, its type,
    // then width and height as 32-bit big-endian numbers.
    constexpr std::size_t headerEnd = signatureLength + 4 + 4 + 8;
    if (bytes.size() < headerEnd || png_sig_cmp(bytes.data(), 0, signatureLength) != 0)
        return std::nullopt;
    if (std::memcmp(bytes.data() + signatureLength + 4, "IHDR", 4) != 0)
        return std::nullopt;
    return PngSize{readBigEndian32(bytes.data() + signatureLength + 8),
                   readBigEndian32(bytes.data() + signatureLength + 12)};
}

void setPngDecoderRoute(PngDecoderRoute route) {
    routeStorage() = route;
}

PngDecoderRoute pngDecoderRoute() {
    return routeStorage();
}

Ref<CGImage> decodePng(std::span<const std::uint8_t> bytes) {
    try {
        PixelBytes pixels;
        PngSize size;
        std::optional<ProvisionalBytes> held;
        // The pixel buffer is counted while the decoder holds it, so that the peak shows it
        // even when the decode fails.
        auto countPixels = [&held](const PngSize& header) {
            held.emplace(header.decodedBytes());
            return true;
        };
        if (!decodeInto(bytes, countPixels, pixels, size))
            return nullptr;
        held.reset();
        return CGImage::create(size.width, size.height, std::move(pixels));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::optional<PixelBytes> decodePngPixels(std::span<const std::uint8_t> bytes, PngSize expected) {
    try {
        PixelBytes pixels;
        PngSize size;
        auto ofExpectedSize = [expected](const PngSize& header) {
            return header.width == expected.width && header.height == expected.height;
        };
        if (!decodeInto(bytes, ofExpectedSize, pixels, size))
            return std::nullopt;
        return pixels;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<DecodedPng> decodePngWithLibpng(std::span<const std::uint8_t> bytes) {
    try {
        DecodedPng decoded;
        if (!decodeWithLibpng(bytes, [](const PngSize&) { return true; }, decoded.pixels,
                              decoded.size))
            return std::nullopt;
        return decoded;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<DecodedPng> decodePngWithFastPath(std::span<const std::uint8_t> bytes,
                                                png::UnfilterKernel kernel) {
    try {
        auto plan = png::planFastPath(bytes);
        DecodedPng decoded;
        if (!plan || !png::decodeWithFastPath(bytes, *plan, kernel, decoded.pixels))
            return std::nullopt;
        decoded.size = plan->size;
        return decoded;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

} // namespace platform
