// The reference compositor: coverage-weighted fills and bilinear image drawing in
// premultiplied floats, and the tree walk that drives them.

#include "tests/support/ReferenceCompositor.h"

#include <algorithm>
#include <cmath>

namespace velorin::testing {

namespace {

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
};

Span spanOf(double low, double high, std::uint32_t extent) {
    Span span;
    if (!std::isfinite(low) || !std::isfinite(high) || high <= low)
        return span;
    double limit = static_cast<double>(extent);
    double first = std::clamp(std::floor(low), 0.0, limit);
    double end = std::clamp(std::ceil(high), 0.0, limit);
    span.first = static_cast<std::uint32_t>(first);
    span.end = static_cast<std::uint32_t>(end);
    span.low = low;
    span.high = high;
    return span;
}

// The two source texels a destination pixel falls between along one axis, and the weight of
// the second.
struct Tap {
    std::uint32_t near;
    std::uint32_t far;
    float weight;
};

// Maps each destination pixel of `span` to source texels: the pixel's centre, placed in the
// stretched image, read with the image's edge texels extended outwards.
std::vector<Tap> tapsFor(const Span& span, std::uint32_t sourceExtent) {
    std::vector<Tap> taps;
    taps.reserve(span.end - span.first);
    double length = span.high - span.low;
    double last = static_cast<double>(sourceExtent) - 1;
    for (std::uint32_t pixel = span.first; pixel < span.end; ++pixel) {
        double centre = static_cast<double>(pixel) + 0.5;
        double source = (centre - span.low) / length * static_cast<double>(sourceExtent) - 0.5;
        source = std::clamp(source, 0.0, last);
        double near = std::floor(source);
        auto nearIndex = static_cast<std::uint32_t>(near);
        taps.push_back({nearIndex, std::min(nearIndex + 1, sourceExtent - 1),
                        static_cast<float>(source - near)});
    }
    return taps;
}

PremultipliedColor texel(const CGImage& image, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t* pixel = image.pixelAt(x, y);
    float alpha = static_cast<float>(pixel[3]) / 255.0f;
    return {static_cast<float>(pixel[0]) / 255.0f * alpha,
            static_cast<float>(pixel[1]) / 255.0f * alpha,
            static_cast<float>(pixel[2]) / 255.0f * alpha, alpha};
}

PremultipliedColor mix(const PremultipliedColor& first, const PremultipliedColor& second,
                       float weight) {
    PremultipliedColor result;
    for (std::size_t channel = 0; channel < 4; ++channel)
        result[channel] = first[channel] + (second[channel] - first[channel]) * weight;
    return result;
}

PremultipliedColor bilinear(const CGImage& image, const Tap& column, const Tap& row) {
    auto top =
        mix(texel(image, column.near, row.near), texel(image, column.far, row.near), column.weight);
    auto bottom =
        mix(texel(image, column.near, row.far), texel(image, column.far, row.far), column.weight);
    return mix(top, bottom, row.weight);
}

// One image prepared for drawing into a span pair.
struct Sampler {
    const CGImage* image{nullptr};
    std::vector<Tap> columns;
    std::vector<Tap> rows;

    Sampler(const CGImage* source, const Span& horizontal, const Span& vertical) {
        if (!source || source->width() == 0 || source->height() == 0)
            return;
        image = source;
        columns = tapsFor(horizontal, source->width());
        rows = tapsFor(vertical, source->height());
    }
    PremultipliedColor at(std::size_t column, std::size_t row) const {
        return bilinear(*image, columns[column], rows[row]);
    }
};

std::uint8_t toByte(float value) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

} // namespace

PremultipliedColor premultiplied(const UIColor& color) {
    auto channel = [](double value) {
        return std::isnan(value) ? 0.0f : static_cast<float>(std::clamp(value, 0.0, 1.0));
    };
    float alpha = channel(color.alpha);
    return {channel(color.red) * alpha, channel(color.green) * alpha, channel(color.blue) * alpha,
            alpha};
}

PremultipliedCanvas::PremultipliedCanvas(std::uint32_t width, std::uint32_t height)
    : m_width(width), m_height(height), m_pixels(std::size_t{width} * height * 4, 0.0f) {
}

PremultipliedCanvas PremultipliedCanvas::fromImage(const CGImage& image, std::uint32_t left,
                                                   std::uint32_t top, std::uint32_t width,
                                                   std::uint32_t height) {
    PremultipliedCanvas canvas(width, height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            auto color = texel(image, left + x, top + y);
            std::copy(color.begin(), color.end(), canvas.pixelAt(x, y));
        }
    }
    return canvas;
}

void PremultipliedCanvas::fill(const PremultipliedColor& color) {
    for (std::size_t index = 0; index < m_pixels.size(); index += 4)
        std::copy(color.begin(), color.end(), m_pixels.begin() + static_cast<long>(index));
}

void PremultipliedCanvas::fillRect(const CGRect& rect, const PremultipliedColor& color,
                                   double opacity) {
    if (color[3] <= 0 || !(opacity > 0))
        return;
    Span horizontal = spanOf(rect.minX(), rect.maxX(), m_width);
    Span vertical = spanOf(rect.minY(), rect.maxY(), m_height);
    for (std::uint32_t y = vertical.first; y < vertical.end; ++y) {
        double rowCoverage = vertical.coverage(y);
        for (std::uint32_t x = horizontal.first; x < horizontal.end; ++x) {
            auto weight = static_cast<float>(opacity * rowCoverage * horizontal.coverage(x));
            float* pixel = pixelAt(x, y);
            float keep = 1.0f - color[3] * weight;
            for (std::size_t channel = 0; channel < 4; ++channel)
                pixel[channel] = color[channel] * weight + pixel[channel] * keep;
        }
    }
}

void PremultipliedCanvas::drawImages(const CGImage* from, const CGImage* to, double blend,
                                     const CGRect& rect, double opacity) {
    if (!(opacity > 0))
        return;
    Span horizontal = spanOf(rect.minX(), rect.maxX(), m_width);
    Span vertical = spanOf(rect.minY(), rect.maxY(), m_height);
    if (horizontal.first >= horizontal.end || vertical.first >= vertical.end)
        return;
    Sampler first(from, horizontal, vertical);
    Sampler second(to, horizontal, vertical);
    if (!first.image && !second.image)
        return;
    auto weight = static_cast<float>(std::clamp(std::isnan(blend) ? 0.0 : blend, 0.0, 1.0));
    for (std::uint32_t y = vertical.first; y < vertical.end; ++y) {
        std::size_t row = y - vertical.first;
        double rowCoverage = vertical.coverage(y);
        for (std::uint32_t x = horizontal.first; x < horizontal.end; ++x) {
            std::size_t column = x - horizontal.first;
            PremultipliedColor source;
            if (first.image && second.image)
                source = mix(first.at(column, row), second.at(column, row), weight);
            else
                source = first.image ? first.at(column, row) : second.at(column, row);
            auto strength = static_cast<float>(opacity * rowCoverage * horizontal.coverage(x));
            float* pixel = pixelAt(x, y);
            float keep = 1.0f - source[3] * strength;
            for (std::size_t channel = 0; channel < 4; ++channel)
                pixel[channel] = source[channel] * strength + pixel[channel] * keep;
        }
    }
}

std::vector<std::uint8_t> PremultipliedCanvas::straightPixels() const {
    std::vector<std::uint8_t> bytes(m_pixels.size());
    for (std::size_t index = 0; index < m_pixels.size(); index += 4) {
        float alpha = std::clamp(m_pixels[index + 3], 0.0f, 1.0f);
        std::uint8_t alphaByte = toByte(alpha);
        bytes[index + 3] = alphaByte;
        if (alphaByte == 0)
            continue;
        for (std::size_t channel = 0; channel < 3; ++channel)
            bytes[index + channel] = toByte(m_pixels[index + channel] / alpha);
    }
    return bytes;
}

void PremultipliedCanvas::storeInto(CGImage& image, std::uint32_t left, std::uint32_t top) const {
    auto bytes = straightPixels();
    auto destination = image.mutablePixels();
    for (std::uint32_t y = 0; y < m_height; ++y) {
        std::size_t offset = (static_cast<std::size_t>(top + y) * image.width() + left) * 4;
        std::copy_n(bytes.begin() + static_cast<long>(std::size_t{y} * m_width * 4),
                    std::size_t{m_width} * 4, destination.begin() + static_cast<long>(offset));
    }
}

namespace {

struct TreeRenderer {
    PremultipliedCanvas& canvas;
    double scale;
    double time;

    void draw(const platform::UIView& view, platform::CGPoint origin, double inheritedOpacity) {
        if (view.isHidden())
            return;
        double opacity = inheritedOpacity * view.alpha();
        if (!(opacity > 0))
            return;
        platform::CGSize size = view.bounds().size;
        CGRect pixels = platform::CGRectMake(origin.x * scale, origin.y * scale, size.width * scale,
                                             size.height * scale);
        canvas.fillRect(pixels, premultiplied(view.backgroundColor()), opacity);
        platform::LayerContents contents = view.layer()->contentsAtTime(time);
        if (!contents.empty())
            canvas.drawImages(contents.from, contents.to, contents.blend, pixels, opacity);
        for (const auto& child : view.subviews()) {
            platform::CGPoint childOrigin{origin.x + child->frame().origin.x,
                                          origin.y + child->frame().origin.y};
            draw(*child, childOrigin, opacity);
        }
    }
};

} // namespace

platform::Ref<CGImage> referenceRenderViewTree(platform::UIView* root,
                                               const platform::RenderOptions& options) {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (!platform::renderSizeOf(root, options, width, height))
        return nullptr;
    PremultipliedCanvas canvas(width, height);
    canvas.fill(premultiplied(options.background));
    TreeRenderer renderer{canvas, options.scale, options.time};
    renderer.draw(*root, platform::CGPoint{0, 0}, 1.0);
    return CGImage::create(width, height, canvas.straightPixels());
}

void referenceLayOverBackground(CGImage& views, const CGImage& background, float factor) {
    auto pixels = views.mutablePixels();
    const auto& under = background.pixels();
    for (std::size_t offset = 0; offset < pixels.size(); offset += 4) {
        float alpha = static_cast<float>(pixels[offset + 3]) / 255.0f;
        for (std::size_t channel = 0; channel < 3; ++channel) {
            float mixed = static_cast<float>(pixels[offset + channel]) * alpha +
                          static_cast<float>(under[offset + channel]) * (1.0f - alpha);
            pixels[offset + channel] = static_cast<std::uint8_t>(mixed * factor + 0.5f);
        }
        pixels[offset + 3] = 255;
    }
}

} // namespace velorin::testing
