// PNG encoding with libpng, from RGBA8 pixels into any of the common colour types, into memory
// or straight into a file.
//
// The pixels are first converted into the stored samples (grey levels, palette indices,
// 16-bit big-endian samples), then handed to libpng row by row; opaque pixels written as RGB go
// to libpng as they are, which drops the alpha as it writes. As in the decoder, the setjmp that
// catches libpng's errors sits in a function whose frame holds only trivial values, and the
// write callback turns an allocation failure into a libpng error only after leaving its catch
// block, so that no jump ever skips a destructor. Nothing here touches an object or counter of
// the platform, so several threads may encode at once.

#include "platform/display/Image.h"
#include "platform/display/PngErrors.h"

#include <array>
#include <csetjmp>
#include <cstdio>
#include <map>
#include <new>
#include <png.h>

namespace platform {

namespace {

struct ByteSink {
    std::vector<std::uint8_t>* bytes;
};

void writeToMemory(png_structp png, png_bytep data, std::size_t length) {
    auto* sink = static_cast<ByteSink*>(png_get_io_ptr(png));
    bool stored = true;
    try {
        sink->bytes->insert(sink->bytes->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        stored = false;
    }
    if (!stored)
        png_error(png, "out of memory");
}

void flushNothing(png_structp) {
}

// libpng's output buffer when writing a file: one write to the file for many of libpng's small
// ones.
constexpr std::size_t fileBufferBytes = 256 * 1024;

// Everything libpng needs to write one image, in plain values.
struct WriteSettings {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colorType;
    int interlaceType;
    const png_color* palette;
    int paletteSize;
    const png_byte* paletteAlpha;
    int paletteAlphaCount;
    bool hasColorKey;
    png_color_16 colorKey;
    // Samples below 8 bits are stored one per byte and packed by libpng.
    bool packSamples;
    // RGBA rows whose fourth byte libpng leaves out as it writes.
    bool dropFiller;
    // zlib's level, or -1 for libpng's default.
    int compressionLevel;
    bool upFilterOnly;
};

bool writeImage(png_structp png, png_infop info, const WriteSettings* settings, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, settings->width, settings->height, settings->bitDepth,
                 settings->colorType, settings->interlaceType, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (settings->palette)
        png_set_PLTE(png, info, settings->palette, settings->paletteSize);
    if (settings->paletteAlphaCount > 0)
        png_set_tRNS(png, info, settings->paletteAlpha, settings->paletteAlphaCount, nullptr);
    if (settings->hasColorKey)
        png_set_tRNS(png, info, nullptr, 0, &settings->colorKey);
    if (settings->compressionLevel >= 0)
        png_set_compression_level(png, settings->compressionLevel);
    if (settings->upFilterOnly)
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_write_info(png, info);
    if (settings->packSamples)
        png_set_packing(png);
    if (settings->dropFiller)
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

class WriteStructures {
public:
    WriteStructures() {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, ignoreWarning);
        if (png)
            info = png_create_info_struct(png);
    }
    ~WriteStructures() {
        if (png)
            png_destroy_write_struct(&png, info ? &info : nullptr);
    }
    WriteStructures(const WriteStructures&) = delete;
    WriteStructures& operator=(const WriteStructures&) = delete;

    png_structp png{nullptr};
    png_infop info{nullptr};
};

// The stored samples of an image and how libpng is to write them.
struct StoredImage {
    WriteSettings settings{};
    std::vector<std::uint8_t> samples;
    std::size_t rowBytes{0};
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
};

// Rec. 601 luma of an 8-bit colour, in [0, 255000] (thousandths of a level).
unsigned lumaThousandths(const std::uint8_t* pixel) {
    return 299u * pixel[0] + 587u * pixel[1] + 114u * pixel[2];
}

// A level in [0, 255000] thousandths scaled to `bitDepth` bits, rounded.
unsigned scaleLuma(unsigned thousandths, int bitDepth) {
    unsigned maximum = (1u << bitDepth) - 1;
    return static_cast<unsigned>((static_cast<unsigned long long>(thousandths) * maximum + 127500) /
                                 255000);
}

void putSample(std::uint8_t*& out, unsigned value, int bitDepth) {
    if (bitDepth == 16)
        *out++ = static_cast<std::uint8_t>(value >> 8);
    *out++ = static_cast<std::uint8_t>(value & 0xFF);
}

unsigned widen(std::uint8_t value, int bitDepth) {
    return bitDepth == 16 ? value * 257u : value;
}

bool depthFits(PngColorType type, int bitDepth) {
    switch (type) {
    case PngColorType::Gray:
        return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
    case PngColorType::RGBA:
    case PngColorType::RGB:
    case PngColorType::GrayAlpha:
        return bitDepth == 8 || bitDepth == 16;
    case PngColorType::Palette:
        return true;
    }
    return false;
}

bool storePalette(const PixelView& image, StoredImage& stored) {
    std::map<std::uint32_t, std::uint8_t> indexOfColor;
    std::size_t pixelCount = std::size_t{image.width} * image.height;
    const auto& pixels = image.rgba;
    stored.samples.resize(pixelCount);
    for (std::size_t index = 0; index < pixelCount; ++index) {
        const std::uint8_t* pixel = pixels.data() + index * 4;
        std::uint32_t key = (std::uint32_t{pixel[0]} << 24) | (std::uint32_t{pixel[1]} << 16) |
                            (std::uint32_t{pixel[2]} << 8) | pixel[3];
        auto found = indexOfColor.find(key);
        if (found == indexOfColor.end()) {
            if (stored.palette.size() == 256)
                return false;
            auto paletteIndex = static_cast<std::uint8_t>(stored.palette.size());
            found = indexOfColor.emplace(key, paletteIndex).first;
            stored.palette.push_back(png_color{pixel[0], pixel[1], pixel[2]});
            stored.paletteAlpha.push_back(pixel[3]);
        }
        stored.samples[index] = found->second;
    }
    // Only entries up to the last translucent one need an alpha of their own.
    while (!stored.paletteAlpha.empty() && stored.paletteAlpha.back() == 0xFF)
        stored.paletteAlpha.pop_back();
    std::size_t colors = stored.palette.size();
    int bitDepth = colors <= 2 ? 1 : colors <= 4 ? 2 : colors <= 16 ? 4 : 8;
    stored.rowBytes = image.width;
    stored.settings.bitDepth = bitDepth;
    stored.settings.colorType = PNG_COLOR_TYPE_PALETTE;
    stored.settings.packSamples = bitDepth < 8;
    return true;
}

// Grey or RGB without alpha: the transparency survives as a colour key when every pixel is
// opaque or fully transparent and the key's colour is not also an opaque pixel's.
void storeOpaque(const PixelView& image, int bitDepth, bool gray, StoredImage& stored) {
    int channels = gray ? 1 : 3;
    int sampleBytes = bitDepth == 16 ? 2 : 1;
    stored.rowBytes = std::size_t{image.width} * channels * sampleBytes;
    std::size_t pixelCount = std::size_t{image.width} * image.height;
    stored.samples.resize(stored.rowBytes * image.height);
    const auto& pixels = image.rgba;

    auto colorOf = [&](const std::uint8_t* pixel) {
        if (gray)
            return std::array<unsigned, 3>{scaleLuma(lumaThousandths(pixel), bitDepth), 0, 0};
        return std::array<unsigned, 3>{widen(pixel[0], bitDepth), widen(pixel[1], bitDepth),
                                       widen(pixel[2], bitDepth)};
    };

    bool binaryAlpha = true;
    const std::uint8_t* firstTransparent = nullptr;
    for (std::size_t index = 0; index < pixelCount; ++index) {
        std::uint8_t alpha = pixels[index * 4 + 3];
        if (alpha != 0 && alpha != 0xFF)
            binaryAlpha = false;
        if (alpha == 0 && !firstTransparent)
            firstTransparent = pixels.data() + index * 4;
    }
    bool keyed = binaryAlpha && firstTransparent;
    std::array<unsigned, 3> key{};
    if (keyed) {
        key = colorOf(firstTransparent);
        for (std::size_t index = 0; index < pixelCount && keyed; ++index) {
            const std::uint8_t* pixel = pixels.data() + index * 4;
            if (pixel[3] == 0xFF && colorOf(pixel) == key)
                keyed = false;
        }
    }

    std::uint8_t* out = stored.samples.data();
    for (std::size_t index = 0; index < pixelCount; ++index) {
        const std::uint8_t* pixel = pixels.data() + index * 4;
        auto color = keyed && pixel[3] == 0 ? key : colorOf(pixel);
        for (int channel = 0; channel < channels; ++channel)
            putSample(out, color[static_cast<std::size_t>(channel)], bitDepth);
    }

    stored.settings.bitDepth = bitDepth;
    stored.settings.colorType = gray ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB;
    stored.settings.packSamples = bitDepth < 8;
    if (keyed) {
        stored.settings.hasColorKey = true;
        auto& colorKey = stored.settings.colorKey;
        colorKey.gray = static_cast<png_uint_16>(key[0]);
        colorKey.red = static_cast<png_uint_16>(key[0]);
        colorKey.green = static_cast<png_uint_16>(key[1]);
        colorKey.blue = static_cast<png_uint_16>(key[2]);
    }
}

void storeWithAlpha(const PixelView& image, int bitDepth, bool gray, StoredImage& stored) {
    int channels = gray ? 2 : 4;
    int sampleBytes = bitDepth == 16 ? 2 : 1;
    stored.rowBytes = std::size_t{image.width} * channels * sampleBytes;
    std::size_t pixelCount = std::size_t{image.width} * image.height;
    stored.samples.resize(stored.rowBytes * image.height);
    std::uint8_t* out = stored.samples.data();
    const auto& pixels = image.rgba;
    for (std::size_t index = 0; index < pixelCount; ++index) {
        const std::uint8_t* pixel = pixels.data() + index * 4;
        if (gray) {
            putSample(out, scaleLuma(lumaThousandths(pixel), bitDepth), bitDepth);
        } else {
            for (int channel = 0; channel < 3; ++channel)
                putSample(out, widen(pixel[channel], bitDepth), bitDepth);
        }
        putSample(out, widen(pixel[3], bitDepth), bitDepth);
    }
    stored.settings.bitDepth = bitDepth;
    stored.settings.colorType = gray ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_RGB_ALPHA;
}

// The stored samples and settings for `image`, or none when the encoding cannot hold it.
// Opaque RGB rows need no samples: libpng reads the pixels themselves.
bool storeImage(const PixelView& image, const PngEncoding& encoding, StoredImage& stored) {
    switch (encoding.colorType) {
    case PngColorType::RGBA:
        storeWithAlpha(image, encoding.bitDepth, false, stored);
        break;
    case PngColorType::GrayAlpha:
        storeWithAlpha(image, encoding.bitDepth, true, stored);
        break;
    case PngColorType::RGB:
        if (encoding.opacity == PngOpacity::Opaque && encoding.bitDepth == 8) {
            stored.settings.bitDepth = 8;
            stored.settings.colorType = PNG_COLOR_TYPE_RGB;
            stored.settings.dropFiller = true;
            stored.rowBytes = std::size_t{image.width} * 4;
            break;
        }
        storeOpaque(image, encoding.bitDepth, false, stored);
        break;
    case PngColorType::Gray:
        storeOpaque(image, encoding.bitDepth, true, stored);
        break;
    case PngColorType::Palette:
        if (!storePalette(image, stored))
            return false;
        break;
    }
    auto& settings = stored.settings;
    settings.width = image.width;
    settings.height = image.height;
    settings.interlaceType =
        encoding.interlace == PngInterlace::Adam7 ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE;
    settings.compressionLevel = encoding.compressionLevel.value_or(-1);
    settings.upFilterOnly = encoding.rowFilters == PngRowFilters::UpOnly;
    if (!stored.palette.empty()) {
        settings.palette = stored.palette.data();
        settings.paletteSize = static_cast<int>(stored.palette.size());
        settings.paletteAlpha = stored.paletteAlpha.data();
        settings.paletteAlphaCount = static_cast<int>(stored.paletteAlpha.size());
    }
    return true;
}

bool encodable(const PixelView& image, const PngEncoding& encoding) {
    return image.width > 0 && image.height > 0 &&
           image.rgba.size() == std::size_t{image.width} * image.height * 4 &&
           depthFits(encoding.colorType, encoding.bitDepth) &&
           (!encoding.compressionLevel ||
            (*encoding.compressionLevel >= 0 && *encoding.compressionLevel <= 9));
}

// Encodes `image` through the output `connect` sets up on the libpng structures; false on
// failure.
template <typename Connect>
bool encodeInto(const PixelView& image, const PngEncoding& encoding, Connect connect) {
    if (!encodable(image, encoding))
        return false;
    StoredImage stored;
    if (!storeImage(image, encoding, stored))
        return false;
    // The rows libpng reads: the stored samples, or the pixels themselves, which it only reads.
    std::uint8_t* first = stored.samples.empty() ? const_cast<std::uint8_t*>(image.rgba.data())
                                                 : stored.samples.data();
    std::vector<png_bytep> rows(image.height);
    for (std::size_t row = 0; row < rows.size(); ++row)
        rows[row] = first + row * stored.rowBytes;
    WriteStructures structures;
    if (!structures.info)
        return false;
    connect(structures.png);
    return writeImage(structures.png, structures.info, &stored.settings, rows.data());
}

PixelView viewOf(const CGImage& image) {
    return {image.width(), image.height(), image.pixels()};
}

} // namespace

std::vector<std::uint8_t> encodePng(const PixelView& pixels, const PngEncoding& encoding) {
    try {
        std::vector<std::uint8_t> bytes;
        ByteSink sink{&bytes};
        bool encoded = encodeInto(pixels, encoding, [&sink](png_structp png) {
            png_set_write_fn(png, &sink, writeToMemory, flushNothing);
        });
        return encoded ? bytes : std::vector<std::uint8_t>();
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::vector<std::uint8_t> encodePng(const CGImage& image, const PngEncoding& encoding) {
    return encodePng(viewOf(image), encoding);
}

bool writePngFile(const PixelView& pixels, const char* hostPath, const PngEncoding& encoding) {
    if (!hostPath || !encodable(pixels, encoding))
        return false;
    std::FILE* file = std::fopen(hostPath, "wb");
    if (!file)
        return false;
    std::setvbuf(file, nullptr, _IOFBF, fileBufferBytes);
    bool written = false;
    try {
        written = encodeInto(pixels, encoding, [file](png_structp png) { png_init_io(png, file); });
    } catch (const std::bad_alloc&) {
        written = false;
    }
    written = std::fclose(file) == 0 && written;
    if (!written)
        std::remove(hostPath);
    return written;
}

bool writePngFile(const CGImage& image, const char* hostPath, const PngEncoding& encoding) {
    return writePngFile(viewOf(image), hostPath, encoding);
}

} // namespace platform
