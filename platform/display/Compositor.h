// A software compositor: renders a view tree as it looks at one moment into an RGBA image.
//
// Background colours, opacity (multiplied down the tree), hidden views, and layer contents
// (images stretched to fill the view with bilinear filtering, animated frames blended) are
// drawn with correct alpha blending in premultiplied space, 8 bits a channel, with pixman. Views
// are clipped to nothing: children may draw outside their parent's bounds, as on the toolkit by
// default.
#pragma once

#include "platform/display/View.h"

#include <cstdint>
#include <span>

namespace platform {

struct RenderOptions {
    // Pixels per point.
    double scale{1};
    // Seconds on the main queue's clock at which the animations are sampled.
    double time{0};
    // Filled before the tree is drawn.
    UIColor background{UIColor::clearColor()};
};

// Renders `root` at its own bounds (its frame's origin is ignored), at `scale` pixels per
// point with each side rounded to whole pixels; a tree that draws nothing gives an image of
// the background alone. None for no root, a scale that is not a positive number, or an image
// that would exceed `maximumImageSide` on a side.
VELORIN_EXPORT Ref<CGImage> renderViewTree(UIView* root, const RenderOptions& options);

// The pixel size `renderViewTree` gives `root` at `options.scale`; false when it gives none.
VELORIN_EXPORT bool renderSizeOf(UIView* root, const RenderOptions& options, std::uint32_t& width,
                                 std::uint32_t& height);

// Draws `root` as `renderViewTree` does, but over `pixels` as they are rather than over a
// background: premultiplied RGBA8, width × height × 4 bytes, rows top to bottom, which are
// also what it gives back. `options.background` is not used. False, drawing nothing, for no
// root, a scale that is not a positive number, or pixels of another size. It touches no state
// but the pixels, and reads the tree and its images.
VELORIN_EXPORT bool drawViewTree(UIView* root, const RenderOptions& options,
                                 std::span<std::uint8_t> pixels, std::uint32_t width,
                                 std::uint32_t height);

// Draws `image` stretched into `destination` (in pixels, may be fractional and may reach
// outside the canvas) of `canvas`, with bilinear filtering, at `opacity` (clamped to 1).
VELORIN_EXPORT void drawImage(CGImage& canvas, const CGImage& image, const CGRect& destination,
                              double opacity);

} // namespace platform
