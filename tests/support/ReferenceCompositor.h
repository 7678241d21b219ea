// The compositor as it was first written, kept for the tests as the reference the display
// toolkit's pixman drawing is measured against: the same view tree drawn in premultiplied
// floats from 0 to 1, where blending and filtering are exact, and rounded to 8 bits only at
// the end. It is slow (a float canvas of the whole picture) and used nowhere else.
//
// Rectangles are in pixels and may be fractional: edge pixels are covered in proportion to the
// area the rectangle takes of them, so edges are smooth at any scale.
#pragma once

#include "platform/display/Compositor.h"
#include "platform/display/Geometry.h"
#include "platform/display/Image.h"

#include <array>
#include <cstdint>
#include <vector>

namespace velorin::testing {

using platform::CGImage;
using platform::CGRect;
using platform::UIColor;

using PremultipliedColor = std::array<float, 4>;

PremultipliedColor premultiplied(const UIColor& color);

class PremultipliedCanvas {
public:
    PremultipliedCanvas(std::uint32_t width, std::uint32_t height);
    // The region of `image` at `left`, `top` of the given size, which must lie within it.
    static PremultipliedCanvas fromImage(const CGImage& image, std::uint32_t left,
                                         std::uint32_t top, std::uint32_t width,
                                         std::uint32_t height);

    std::uint32_t width() const { return m_width; }
    std::uint32_t height() const { return m_height; }

    void fill(const PremultipliedColor& color);
    // Composites `color` over the rectangle at `opacity`.
    void fillRect(const CGRect& rect, const PremultipliedColor& color, double opacity);
    // Composites a cross-fade of two images (`blend` 0 shows `from`, 1 shows `to`), each
    // stretched to the rectangle with bilinear filtering, at `opacity`. Either image may be
    // none; a lone image is drawn whole.
    void drawImages(const CGImage* from, const CGImage* to, double blend, const CGRect& rect,
                    double opacity);

    // Straight RGBA8 pixels, rounded.
    std::vector<std::uint8_t> straightPixels() const;
    // Writes the canvas back into the region of `image` it was taken from.
    void storeInto(CGImage& image, std::uint32_t left, std::uint32_t top) const;

private:
    float* pixelAt(std::uint32_t x, std::uint32_t y) {
        return m_pixels.data() + (static_cast<std::size_t>(y) * m_width + x) * 4;
    }
    std::uint32_t m_width;
    std::uint32_t m_height;
    std::vector<float> m_pixels;
};

// The view tree drawn as `platform::renderViewTree` draws it, in floats: straight RGBA8.
platform::Ref<CGImage> referenceRenderViewTree(platform::UIView* root,
                                               const platform::RenderOptions& options);

// Straight-alpha `views` laid over the opaque `background` of the same size, each colour then
// multiplied by `factor`, as the preview's lock screen was first drawn.
void referenceLayOverBackground(CGImage& views, const CGImage& background, float factor);

} // namespace velorin::testing
