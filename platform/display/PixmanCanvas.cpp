// The compositor's drawing surface: coverage-weighted fills and bilinear image drawing in
// premultiplied 8-bit pixels, with pixman.
//
// A rectangle's coverage is the product of its coverage along each axis, and along an axis
// only the first and the last pixel can be partly covered. So a rectangle splits into at most
// nine pieces of even coverage (the inside, four edges and four corners), and each piece is
// one pixman operation: a fill or a composite through a one-colour mask of the piece's
// coverage times the opacity.

#include "platform/display/PixmanCanvas.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <pixman.h>
#include <vector>

namespace platform::display {

namespace {

// R, G, B, A in memory, whatever the byte order of a 32-bit word.
constexpr pixman_format_code_t byteOrderRgba =
    std::endian::native == std::endian::little ? PIXMAN_a8b8g8r8 : PIXMAN_r8g8b8a8;

// Past this many source pixels per canvas pixel, pixman's fixed-point transform cannot hold
// the scale; an image squeezed that much would cover less than a pixel in any case.
constexpr double largestScale = 16384;

struct ImageRelease {
    void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
};
using PixmanImage = std::unique_ptr<pixman_image_t, ImageRelease>;

// The pixels a span from `low` to `high` touches along one axis of `extent` pixels, and how
// much of each it covers.
struct Span {
    std::uint32_t first{0};
    std::uint32_t end{0};
    double low{0};
    double high{0};
    double coverage(std::uint32_t pixel) const {
        double start = std::max(static_cast<double>(pixel), low);
        double stop = std::min(static_cast<double>(pixel) + 1, high);
        return std::clamp(stop - start, 0.0, 1.0);
    }
    bool empty() const { return first >= end; }
};

Span spanOf(double low, double high, std::uint32_t extent) {
    Span span;
    if (!std::isfinite(low) || !std::isfinite(high) || high <= low)
        return span;
    double limit = static_cast<double>(extent);
    span.first = static_cast<std::uint32_t>(std::clamp(std::floor(low), 0.0, limit));
    span.end = static_cast<std::uint32_t>(std::clamp(std::ceil(high), 0.0, limit));
    span.low = low;
    span.high = high;
    return span;
}

// Consecutive pixels of a span with the same coverage: at most three runs.
struct Run {
    std::uint32_t start;
    std::uint32_t length;
    double coverage;
};

std::vector<Run> runsOf(const Span& span) {
    std::vector<Run> runs;
    for (std::uint32_t pixel = span.first; pixel < span.end; ++pixel) {
        double coverage = span.coverage(pixel);
        if (!runs.empty() && runs.back().coverage == coverage)
            ++runs.back().length;
        else
            runs.push_back({pixel, 1, coverage});
    }
    return runs;
}

std::uint8_t toLevel(double value) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

double channel(double value) {
    return std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0);
}

// pixman's colours are premultiplied, 16 bits a channel; an 8-bit level times 257 keeps
// exactly that level when pixman narrows it again.
pixman_color_t premultipliedColor(const UIColor& color, double strength) {
    double alpha = channel(color.alpha) * strength;
    auto wide = [](double value) { return static_cast<std::uint16_t>(toLevel(value) * 257u); };
    return {wide(channel(color.red) * alpha), wide(channel(color.green) * alpha),
            wide(channel(color.blue) * alpha), wide(alpha)};
}

// A one-colour mask of `strength`, or none where the strength is whole.
PixmanImage strengthMask(std::uint8_t level) {
    if (level == 255)
        return nullptr;
    auto wide = static_cast<std::uint16_t>(level * 257u);
    pixman_color_t color{wide, wide, wide, wide};
    return PixmanImage(pixman_image_create_solid_fill(&color));
}

std::uint8_t premultipliedLevel(std::uint32_t value, std::uint32_t alpha) {
    std::uint32_t product = value * alpha + 128;
    return static_cast<std::uint8_t>((product + (product >> 8)) >> 8);
}

// An image's pixels premultiplied, as pixman takes them.
struct PremultipliedSource {
    std::uint32_t width{0};
    std::uint32_t height{0};
    std::vector<std::uint32_t> words;
    PixmanImage image;

    explicit PremultipliedSource(std::uint32_t sourceWidth, std::uint32_t sourceHeight)
        : width(sourceWidth), height(sourceHeight), words(std::size_t{sourceWidth} * sourceHeight) {
    }
    std::uint8_t* bytes() { return reinterpret_cast<std::uint8_t*>(words.data()); }
    bool wrap() {
        image.reset(pixman_image_create_bits(byteOrderRgba, static_cast<int>(width),
                                             static_cast<int>(height), words.data(),
                                             static_cast<int>(width * 4)));
        return image != nullptr;
    }
};

std::unique_ptr<PremultipliedSource> premultipliedCopy(const CGImage& image) {
    auto source = std::make_unique<PremultipliedSource>(image.width(), image.height());
    std::copy(image.pixels().begin(), image.pixels().end(), source->bytes());
    premultiplyPixels(source->bytes(), source->words.size());
    return source->wrap() ? std::move(source) : nullptr;
}

// Two images of one size cross-faded pixel by pixel in premultiplied space, which is what
// filtering each and then fading gives, since both are linear.
std::unique_ptr<PremultipliedSource> crossFade(const CGImage& from, const CGImage& to,
                                               double weight) {
    auto source = std::make_unique<PremultipliedSource>(from.width(), from.height());
    auto toShare = static_cast<std::uint32_t>(std::lround(weight * 256));
    std::uint32_t fromShare = 256 - toShare;
    const std::uint8_t* first = from.pixels().data();
    const std::uint8_t* second = to.pixels().data();
    std::uint8_t* out = source->bytes();
    for (std::size_t pixel = 0; pixel < source->words.size(); ++pixel) {
        const std::uint8_t* a = first + pixel * 4;
        const std::uint8_t* b = second + pixel * 4;
        for (std::size_t index = 0; index < 4; ++index) {
            std::uint32_t left = index == 3 ? a[3] : premultipliedLevel(a[index], a[3]);
            std::uint32_t right = index == 3 ? b[3] : premultipliedLevel(b[index], b[3]);
            out[pixel * 4 + index] =
                static_cast<std::uint8_t>((left * fromShare + right * toShare + 128) >> 8);
        }
    }
    return source->wrap() ? std::move(source) : nullptr;
}

// Points `source` at the part of its image stretched over `rect` that falls on the canvas
// pixels from `x`, `y`: the source is read from its own (0, 0) onwards.
bool placeStretched(pixman_image_t* source, std::uint32_t sourceWidth, std::uint32_t sourceHeight,
                    const CGRect& rect, std::uint32_t x, std::uint32_t y) {
    double scaleX = sourceWidth / rect.size.width;
    double scaleY = sourceHeight / rect.size.height;
    if (!(scaleX < largestScale) || !(scaleY < largestScale))
        return false;
    pixman_transform_t transform;
    pixman_transform_init_identity(&transform);
    transform.matrix[0][0] = pixman_double_to_fixed(scaleX);
    transform.matrix[0][2] = pixman_double_to_fixed((x - rect.minX()) * scaleX);
    transform.matrix[1][1] = pixman_double_to_fixed(scaleY);
    transform.matrix[1][2] = pixman_double_to_fixed((y - rect.minY()) * scaleY);
    pixman_image_set_transform(source, &transform);
    return true;
}

void prepareForStretching(pixman_image_t* source) {
    pixman_image_set_filter(source, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    // Edge pixels extend outwards, so a frame's border is not faded by nothing beyond it.
    pixman_image_set_repeat(source, PIXMAN_REPEAT_PAD);
}

} // namespace

void premultiplyPixels(std::uint8_t* pixels, std::size_t pixelCount) {
    for (std::size_t pixel = 0; pixel < pixelCount; ++pixel) {
        std::uint8_t* rgba = pixels + pixel * 4;
        std::uint32_t alpha = rgba[3];
        if (alpha == 255)
            continue;
        for (std::size_t index = 0; index < 3; ++index)
            rgba[index] = premultipliedLevel(rgba[index], alpha);
    }
}

void unpremultiplyPixels(std::uint8_t* pixels, std::size_t pixelCount) {
    for (std::size_t pixel = 0; pixel < pixelCount; ++pixel) {
        std::uint8_t* rgba = pixels + pixel * 4;
        std::uint32_t alpha = rgba[3];
        if (alpha == 255)
            continue;
        for (std::size_t index = 0; index < 3; ++index) {
            rgba[index] = alpha == 0 ? 0
                                     : static_cast<std::uint8_t>(std::min<std::uint32_t>(
                                           255, (rgba[index] * 255u + alpha / 2) / alpha));
        }
    }
}

PixmanCanvas::PixmanCanvas(std::uint8_t* pixels, std::uint32_t width, std::uint32_t height)
    : m_width(width), m_height(height) {
    if (width > 0 && height > 0)
        m_image = pixman_image_create_bits(
            byteOrderRgba, static_cast<int>(width), static_cast<int>(height),
            reinterpret_cast<std::uint32_t*>(pixels), static_cast<int>(width * 4));
}

PixmanCanvas::~PixmanCanvas() {
    if (m_image)
        pixman_image_unref(m_image);
}

void PixmanCanvas::fill(const UIColor& color) {
    if (!m_image)
        return;
    pixman_color_t premultiplied = premultipliedColor(color, 1.0);
    pixman_box32_t whole{0, 0, static_cast<std::int32_t>(m_width),
                         static_cast<std::int32_t>(m_height)};
    pixman_image_fill_boxes(PIXMAN_OP_SRC, m_image, &premultiplied, 1, &whole);
}

void PixmanCanvas::fillRect(const CGRect& rect, const UIColor& color, double opacity) {
    if (!m_image || !(channel(color.alpha) > 0) || !(opacity > 0))
        return;
    Span horizontal = spanOf(rect.minX(), rect.maxX(), m_width);
    Span vertical = spanOf(rect.minY(), rect.maxY(), m_height);
    auto columns = runsOf(horizontal);
    for (const Run& rows : runsOf(vertical)) {
        for (const Run& piece : columns) {
            pixman_color_t premultiplied =
                premultipliedColor(color, std::min(opacity, 1.0) * rows.coverage * piece.coverage);
            if (premultiplied.alpha == 0)
                continue;
            pixman_box32_t box{static_cast<std::int32_t>(piece.start),
                               static_cast<std::int32_t>(rows.start),
                               static_cast<std::int32_t>(piece.start + piece.length),
                               static_cast<std::int32_t>(rows.start + rows.length)};
            pixman_image_fill_boxes(PIXMAN_OP_OVER, m_image, &premultiplied, 1, &box);
        }
    }
}

void PixmanCanvas::drawImages(const CGImage* from, const CGImage* to, double blend,
                              const CGRect& rect, double opacity) {
    if (!m_image || !(opacity > 0))
        return;
    if (from && (from->width() == 0 || from->height() == 0))
        from = nullptr;
    if (to && (to->width() == 0 || to->height() == 0))
        to = nullptr;
    if (!from && !to)
        return;
    Span horizontal = spanOf(rect.minX(), rect.maxX(), m_width);
    Span vertical = spanOf(rect.minY(), rect.maxY(), m_height);
    if (horizontal.empty() || vertical.empty())
        return;
    double weight = std::clamp(std::isnan(blend) ? 0.0 : blend, 0.0, 1.0);
    if (from && to && weight == 0.0)
        to = nullptr;
    if (from && to && weight == 1.0)
        from = nullptr;

    // What is stretched over the rectangle: one image, two of one size faded together, or,
    // for two of different sizes, each stretched over the span and faded together there.
    std::unique_ptr<PremultipliedSource> source;
    bool stretched = true;
    if (from && to && (from->width() != to->width() || from->height() != to->height())) {
        source = std::make_unique<PremultipliedSource>(horizontal.end - horizontal.first,
                                                       vertical.end - vertical.first);
        if (!source->wrap())
            return;
        auto first = premultipliedCopy(*from);
        auto second = premultipliedCopy(*to);
        if (!first || !second)
            return;
        auto fade = [&](PremultipliedSource& image, pixman_op_t operation, double share) {
            prepareForStretching(image.image.get());
            if (!placeStretched(image.image.get(), image.width, image.height, rect,
                                horizontal.first, vertical.first))
                return;
            auto mask = strengthMask(toLevel(share));
            pixman_image_composite32(operation, image.image.get(), mask.get(), source->image.get(),
                                     0, 0, 0, 0, 0, 0, static_cast<std::int32_t>(source->width),
                                     static_cast<std::int32_t>(source->height));
        };
        fade(*first, PIXMAN_OP_SRC, 1.0 - weight);
        fade(*second, PIXMAN_OP_ADD, weight);
        stretched = false;
    } else if (from && to) {
        source = crossFade(*from, *to, weight);
    } else {
        source = premultipliedCopy(from ? *from : *to);
    }
    if (!source)
        return;
    if (stretched)
        prepareForStretching(source->image.get());

    auto columns = runsOf(horizontal);
    for (const Run& rows : runsOf(vertical)) {
        for (const Run& piece : columns) {
            std::uint8_t strength =
                toLevel(std::min(opacity, 1.0) * rows.coverage * piece.coverage);
            if (strength == 0)
                continue;
            std::int32_t sourceX = 0;
            std::int32_t sourceY = 0;
            if (!stretched) {
                sourceX = static_cast<std::int32_t>(piece.start - horizontal.first);
                sourceY = static_cast<std::int32_t>(rows.start - vertical.first);
            } else if (!placeStretched(source->image.get(), source->width, source->height, rect,
                                       piece.start, rows.start)) {
                return;
            }
            auto mask = strengthMask(strength);
            pixman_image_composite32(
                PIXMAN_OP_OVER, source->image.get(), mask.get(), m_image, sourceX, sourceY, 0, 0,
                static_cast<std::int32_t>(piece.start), static_cast<std::int32_t>(rows.start),
                static_cast<std::int32_t>(piece.length), static_cast<std::int32_t>(rows.length));
        }
    }
}

} // namespace platform::display
