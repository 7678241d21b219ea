// A small software canvas for drawing the bundled sample sequences.
//
// Shapes are filled with anti-aliased edges: each pixel takes the share of the shape that
// covers it, estimated from the distance between the pixel's centre and the shape's edge
// (discs, rings, rounded rectangles) or by sampling a 4 × 4 grid inside the pixel
// (polygons). Colours are composited "source over" in premultiplied floating point and turned
// into straight-alpha RGBA8 only when the frame is finished, so overlapping translucent shapes
// blend without banding. Everything is plain arithmetic: the same calls give the same bytes.
//
// Shapes are given in points, as the frames are shown on the lock screen; the canvas holds
// `scale` pixels to the point, so that frames are drawn as sharp as the screen shows them.
#pragma once

#include "platform/display/Image.h"

#include <cstdint>
#include <vector>

namespace velorin::samples {

struct Color {
    float red{0};
    float green{0};
    float blue{0};
    float alpha{1};
};

struct Point {
    float x{0};
    float y{0};
};

class Canvas {
public:
    // A clear canvas of `width` × `height` points, at `scale` pixels to the point.
    Canvas(std::uint32_t width, std::uint32_t height, std::uint32_t scale = 1);

    // The size in points.
    std::uint32_t width() const { return m_width / m_scale; }
    std::uint32_t height() const { return m_height / m_scale; }

    // A disc. `softness` widens the edge into a gradual fade of that many points, for glowing
    // particles; 1 gives a crisp anti-aliased edge.
    void fillDisc(Point centre, float radius, Color color, float softness = 1.0f);
    // A ring centred on the circle of `radius`, `thickness` points wide.
    void strokeRing(Point centre, float radius, float thickness, Color color);
    // A rectangle with rounded corners; `cornerRadius` 0 gives sharp corners.
    void fillRoundedRectangle(Point origin, float width, float height, float cornerRadius,
                              Color color);
    // The outline of a rounded rectangle, `thickness` points wide, drawn inside its bounds.
    void strokeRoundedRectangle(Point origin, float width, float height, float cornerRadius,
                                float thickness, Color color);
    // A simple polygon (its edges must not cross), filled by the even-odd rule.
    void fillPolygon(const std::vector<Point>& corners, Color color);

    // The finished frame as straight-alpha RGBA8, in pixels.
    platform::Ref<platform::CGImage> image() const;

private:
    // Blends `color` into one pixel with the given coverage (0 to 1).
    void blend(std::uint32_t x, std::uint32_t y, Color color, float coverage);
    // Calls `coverageAt(x, y)` for every pixel of the box (clipped to the canvas) and blends.
    template <typename Coverage>
    void paint(float left, float top, float right, float bottom, Color color, Coverage coverageAt);

    // From points to the pixels of the canvas.
    Point toPixels(Point point) const;
    float toPixels(float length) const;
    // In pixels.
    std::uint32_t m_width;
    std::uint32_t m_height;
    std::uint32_t m_scale;
    // Premultiplied RGBA, one float per channel.
    std::vector<float> m_pixels;
};

} // namespace velorin::samples
