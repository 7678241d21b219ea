// Decoded images: `CGImage` holds RGBA8 pixels (straight alpha, rows top to bottom) shared by
// reference; `UIImage` wraps one and decodes PNG bytes with libpng.
//
// Decoding reads the header first and refuses, without allocating for the pixels, an image
// wider or taller than `maximumImageSide` and any damaged data. Live images and their bytes
// are counted, so that leaks and peak memory can be measured.
#pragma once

#include "platform/Object.h"
#include "platform/display/PixelBytes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform {

inline constexpr std::uint32_t maximumImageSide = 8192;

class VELORIN_EXPORT CGImage final : public Object {
public:
    // Pixels must hold width × height × 4 bytes. None when they do not, or when a side exceeds
    // `maximumImageSide`. A side of zero gives an empty image (a canvas of nothing).
    static Ref<CGImage> create(std::uint32_t width, std::uint32_t height, PixelBytes pixels);
    // The same from bytes held elsewhere, which are copied.
    static Ref<CGImage> create(std::uint32_t width, std::uint32_t height,
                               std::span<const std::uint8_t> pixels);
    // A fully transparent image, or none as above.
    static Ref<CGImage> createTransparent(std::uint32_t width, std::uint32_t height);
    std::uint32_t width() const { return m_width; }
    std::uint32_t height() const { return m_height; }
    const PixelBytes& pixels() const { return m_pixels; }
    // Writable pixels; a span, so that the image keeps its size and its byte count.
    std::span<std::uint8_t> mutablePixels() { return m_pixels; }
    // The RGBA bytes of one pixel; the caller keeps x and y in range.
    const std::uint8_t* pixelAt(std::uint32_t x, std::uint32_t y) const {
        return m_pixels.data() + (static_cast<std::size_t>(y) * m_width + x) * 4;
    }
    ~CGImage() override;

private:
    CGImage(std::uint32_t width, std::uint32_t height, PixelBytes pixels);
    std::uint32_t m_width;
    std::uint32_t m_height;
    PixelBytes m_pixels;
};

class VELORIN_EXPORT UIImage final : public Object {
public:
    // `initWithData:`: none when the bytes are not a PNG image the decoder accepts.
    static Ref<UIImage> initWithData(std::span<const std::uint8_t> bytes);
    // None for no image.
    static Ref<UIImage> withCGImage(Ref<platform::CGImage> image);
    // The decoded image handle, shared with the caller.
    platform::CGImage* CGImage() const { return m_image.get(); }
    ~UIImage() override;

private:
    explicit UIImage(Ref<platform::CGImage> image);
    Ref<platform::CGImage> m_image;
};

// Decodes PNG bytes into a CGImage, whatever the file's colour type and depth (palette, grey,
// 16-bit and transparency keys are expanded to RGBA8); none for anything else, including a
// truncated file, a checksum mismatch in any chunk, or a side over `maximumImageSide`.
VELORIN_EXPORT Ref<CGImage> decodePng(std::span<const std::uint8_t> bytes);

// The size a PNG file's header claims, read from its first 24 bytes without decoding; none when
// the bytes do not begin like a PNG file. What the header claims is only a claim: the decode
// checks it again.
struct PngSize {
    std::uint32_t width{0};
    std::uint32_t height{0};
    // The bytes its pixels take once decoded to RGBA8.
    std::size_t decodedBytes() const { return std::size_t{width} * height * 4; }
};
VELORIN_EXPORT std::optional<PngSize> readPngSize(std::span<const std::uint8_t> bytes);

// Decodes PNG bytes into RGBA8 pixels as `decodePng` does, only when the file is of exactly
// `expected` size; none otherwise. It touches nothing but its own memory: no object, counter
// or other state of the platform, so that several threads may decode at once. The caller makes
// the image from the pixels with `CGImage::create`.
VELORIN_EXPORT std::optional<PixelBytes> decodePngPixels(std::span<const std::uint8_t> bytes,
                                                         PngSize expected);

// How `encodePng` stores the pixels.
enum class PngColorType { RGBA, RGB, Gray, GrayAlpha, Palette };
enum class PngInterlace { None, Adam7 };
// The row filters libpng may choose from: all of them, row by row (its default), or "up" alone,
// which suits pictures whose rows repeat the one above (a wallpaper of one colour a row) and
// takes a fraction of the time.
enum class PngRowFilters { Adaptive, UpOnly };
// Whether every pixel is known to be opaque. RGB then drops the alpha as it writes, without
// first looking for transparency to keep as a colour key, and without a copy of the pixels.
enum class PngOpacity { Unknown, Opaque };
struct PngEncoding {
    PngEncoding() = default;
    PngEncoding(PngColorType type, int depth = 8, PngInterlace interlacing = PngInterlace::None)
        : colorType(type), bitDepth(depth), interlace(interlacing) {}

    PngColorType colorType{PngColorType::RGBA};
    // 8 or 16; grey also takes 1, 2 or 4. A palette image picks the smallest depth that
    // holds its colours and ignores this.
    int bitDepth{8};
    PngInterlace interlace{PngInterlace::None};
    // zlib's level, from 0 (stored) to 9 (smallest); none keeps libpng's default, 6.
    std::optional<int> compressionLevel;
    PngRowFilters rowFilters{PngRowFilters::Adaptive};
    PngOpacity opacity{PngOpacity::Unknown};
};

// RGBA8 pixels held elsewhere (straight alpha, rows top to bottom, width × height × 4 bytes),
// for encoding without making an image. Encoding them touches nothing but these pixels and its
// own memory, so several threads may encode at once.
struct PixelView {
    std::uint32_t width{0};
    std::uint32_t height{0};
    std::span<const std::uint8_t> rgba;
};

// Encodes an image as PNG bytes; empty on failure (an empty image, a depth the colour type
// cannot take, or more than 256 colours for a palette). RGB and grey drop the alpha channel,
// except that an image whose pixels are all either opaque or fully transparent keeps its
// transparency as a colour key when no opaque pixel has the key's colour. Grey is the luma of
// the colour.
VELORIN_EXPORT std::vector<std::uint8_t> encodePng(const CGImage& image,
                                                   const PngEncoding& encoding = {});
VELORIN_EXPORT std::vector<std::uint8_t> encodePng(const PixelView& pixels,
                                                   const PngEncoding& encoding = {});
// Writes an image as a PNG file, straight into the file; false on failure, when no partial
// file is left behind.
VELORIN_EXPORT bool writePngFile(const CGImage& image, const char* hostPath,
                                 const PngEncoding& encoding = {});
VELORIN_EXPORT bool writePngFile(const PixelView& pixels, const char* hostPath,
                                 const PngEncoding& encoding = {});

// Live images and their pixel bytes. The bytes also count a buffer the decoder has allocated
// for an image it is still reading, so the peak tells whether a decode allocated at all.
struct ImageStatistics {
    std::size_t liveImages{0};
    std::size_t liveBytes{0};
    std::size_t peakBytes{0};
};
VELORIN_EXPORT ImageStatistics imageStatistics();
VELORIN_EXPORT void resetPeakImageBytes();

} // namespace platform
