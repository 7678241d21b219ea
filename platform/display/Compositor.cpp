// The software compositor: walks a view tree back to front and draws each visible view's
// background and layer contents onto premultiplied 8-bit pixels with pixman.
//
// Opacity is multiplied down the tree and applied to each view's own drawing, so a child of a
// half-transparent parent is drawn at half its own opacity; views are not flattened into
// groups first, so overlapping children of a translucent parent show through each other.

#include "platform/display/Compositor.h"

#include "platform/display/PixmanCanvas.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace platform {

namespace {

struct TreeRenderer {
    display::PixmanCanvas& canvas;
    double scale;
    double time;

    void draw(const UIView& view, CGPoint origin, double inheritedOpacity) {
        if (view.isHidden())
            return;
        double opacity = inheritedOpacity * view.alpha();
        if (!(opacity > 0))
            return;
        CGSize size = view.bounds().size;
        CGRect pixels =
            CGRectMake(origin.x * scale, origin.y * scale, size.width * scale, size.height * scale);
        canvas.fillRect(pixels, view.backgroundColor(), opacity);
        LayerContents contents = view.layer()->contentsAtTime(time);
        if (!contents.empty())
            canvas.drawImages(contents.from, contents.to, contents.blend, pixels, opacity);
        for (const auto& child : view.subviews()) {
            CGPoint childOrigin{origin.x + child->frame().origin.x,
                                origin.y + child->frame().origin.y};
            draw(*child, childOrigin, opacity);
        }
    }
};

// The number of pixels a length in points takes, or none past the image side limit.
bool pixelExtent(double points, double scale, std::uint32_t& extent) {
    double pixels = points * scale;
    if (std::isnan(pixels) || pixels > static_cast<double>(maximumImageSide))
        return false;
    extent = pixels <= 0 ? 0 : static_cast<std::uint32_t>(std::lround(pixels));
    return extent <= maximumImageSide;
}

bool usableOptions(UIView* root, const RenderOptions& options) {
    return root && std::isfinite(options.scale) && options.scale > 0;
}

} // namespace

bool renderSizeOf(UIView* root, const RenderOptions& options, std::uint32_t& width,
                  std::uint32_t& height) {
    if (!usableOptions(root, options))
        return false;
    CGSize size = root->bounds().size;
    return pixelExtent(size.width, options.scale, width) &&
           pixelExtent(size.height, options.scale, height);
}

bool drawViewTree(UIView* root, const RenderOptions& options, std::span<std::uint8_t> pixels,
                  std::uint32_t width, std::uint32_t height) {
    if (!usableOptions(root, options) || pixels.size() != std::size_t{width} * height * 4)
        return false;
    display::PixmanCanvas canvas(pixels.data(), width, height);
    if (width > 0 && height > 0 && !canvas.isValid())
        return false;
    TreeRenderer renderer{canvas, options.scale, options.time};
    renderer.draw(*root, CGPoint{0, 0}, 1.0);
    return true;
}

Ref<CGImage> renderViewTree(UIView* root, const RenderOptions& options) {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (!renderSizeOf(root, options, width, height))
        return nullptr;
    try {
        PixelBytes pixels(std::size_t{width} * height * 4);
        {
            display::PixmanCanvas canvas(pixels.data(), width, height);
            canvas.fill(options.background);
        }
        if (!drawViewTree(root, options, pixels, width, height))
            return nullptr;
        display::unpremultiplyPixels(pixels.data(), std::size_t{width} * height);
        return CGImage::create(width, height, std::move(pixels));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void drawImage(CGImage& canvas, const CGImage& image, const CGRect& destination, double opacity) {
    if (!(opacity > 0) || image.width() == 0 || image.height() == 0)
        return;
    if (!std::isfinite(destination.minX()) || !std::isfinite(destination.maxX()) ||
        !std::isfinite(destination.minY()) || !std::isfinite(destination.maxY()))
        return;
    // Only the pixels the destination touches are premultiplied and back.
    auto clampedEdge = [](double value, std::uint32_t extent) {
        return static_cast<std::uint32_t>(std::clamp(value, 0.0, static_cast<double>(extent)));
    };
    std::uint32_t left = clampedEdge(std::floor(destination.minX()), canvas.width());
    std::uint32_t top = clampedEdge(std::floor(destination.minY()), canvas.height());
    std::uint32_t right = clampedEdge(std::ceil(destination.maxX()), canvas.width());
    std::uint32_t bottom = clampedEdge(std::ceil(destination.maxY()), canvas.height());
    if (right <= left || bottom <= top)
        return;
    try {
        std::uint32_t width = right - left;
        std::uint32_t height = bottom - top;
        std::size_t rowBytes = std::size_t{width} * 4;
        PixelBytes region(rowBytes * height);
        auto pixels = canvas.mutablePixels();
        auto rowStart = [&](std::uint32_t row) {
            return pixels.begin() +
                   static_cast<long>((static_cast<std::size_t>(top + row) * canvas.width() + left) *
                                     4);
        };
        for (std::uint32_t row = 0; row < height; ++row)
            std::copy_n(rowStart(row), rowBytes,
                        region.begin() + static_cast<long>(row * rowBytes));
        display::premultiplyPixels(region.data(), std::size_t{width} * height);
        {
            display::PixmanCanvas surface(region.data(), width, height);
            CGRect local = CGRectMake(destination.minX() - left, destination.minY() - top,
                                      destination.size.width, destination.size.height);
            surface.drawImages(&image, nullptr, 0, local, std::min(opacity, 1.0));
        }
        display::unpremultiplyPixels(region.data(), std::size_t{width} * height);
        for (std::uint32_t row = 0; row < height; ++row)
            std::copy_n(region.begin() + static_cast<long>(row * rowBytes), rowBytes,
                        rowStart(row));
    } catch (const std::bad_alloc&) {
    }
}

} // namespace platform
