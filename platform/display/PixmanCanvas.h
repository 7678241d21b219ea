// Internal to the display toolkit: the drawing surface of the software compositor.
//
// Pixels are premultiplied RGBA, 8 bits a channel, in memory order R, G, B, A, and are drawn
// with pixman, which blends, scales and filters them with the processor's vector units.
// Rectangles are in pixels and may be fractional: edge pixels are covered in proportion to the
// area the rectangle takes of them, so edges are smooth at any scale. The canvas draws into
// memory it does not own and touches no other state, so canvases on different threads do not
// meet; the images it draws are only read.
#pragma once

#include "platform/display/Geometry.h"
#include "platform/display/Image.h"

#include <cstddef>
#include <cstdint>

union pixman_image;

namespace platform::display {

class PixmanCanvas {
public:
    // Draws into `pixels`, which hold width × height × 4 bytes, rows top to bottom, and must
    // outlive the canvas.
    PixmanCanvas(std::uint8_t* pixels, std::uint32_t width, std::uint32_t height);
    ~PixmanCanvas();
    PixmanCanvas(const PixmanCanvas&) = delete;
    PixmanCanvas& operator=(const PixmanCanvas&) = delete;

    // False when pixman could not take the memory (an empty canvas draws nothing).
    bool isValid() const { return m_image != nullptr; }
    std::uint32_t width() const { return m_width; }
    std::uint32_t height() const { return m_height; }

    // Replaces every pixel with `color`.
    void fill(const UIColor& color);
    // Composites `color` over the rectangle at `opacity`.
    void fillRect(const CGRect& rect, const UIColor& color, double opacity);
    // Composites a cross-fade of two images (`blend` 0 shows `from`, 1 shows `to`), each
    // stretched to the rectangle with bilinear filtering and its edge pixels extended outwards,
    // at `opacity`. Either image may be none; a lone image is drawn whole.
    void drawImages(const CGImage* from, const CGImage* to, double blend, const CGRect& rect,
                    double opacity);

private:
    union pixman_image* m_image{nullptr};
    std::uint32_t m_width;
    std::uint32_t m_height;
};

// Straight RGBA8 to premultiplied and back, in place, rounded to the nearest level.
void premultiplyPixels(std::uint8_t* pixels, std::size_t pixelCount);
void unpremultiplyPixels(std::uint8_t* pixels, std::size_t pixelCount);

} // namespace platform::display
