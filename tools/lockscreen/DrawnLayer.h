// A transparent picture drawn with cairo (shapes and text), laid over the tools' pictures
// with pixman.
//
// cairo draws in 32-bit words of premultiplied ARGB, the pictures are premultiplied bytes in
// the order R, G, B, A (or straight bytes of an opaque picture, which are the same); pixman
// composites the one over the other across the two formats. A layer that could not get its
// memory draws nothing.
#pragma once

#include "platform/display/PixelBytes.h"

#include <cstdint>
#include <span>

using cairo_t = struct _cairo;
using cairo_surface_t = struct _cairo_surface;

namespace velorin::tools {

class DrawnLayer {
public:
    // A transparent layer of `width` × `height` pixels.
    DrawnLayer(std::uint32_t width, std::uint32_t height);
    ~DrawnLayer();
    DrawnLayer(const DrawnLayer&) = delete;
    DrawnLayer& operator=(const DrawnLayer&) = delete;

    bool isValid() const { return m_cairo != nullptr; }
    std::uint32_t width() const { return m_width; }
    std::uint32_t height() const { return m_height; }
    // Draws into the layer, in pixels from its top left corner.
    cairo_t* cairo() const { return m_cairo; }

    // Composites the layer over `pixels` (width × height × 4 bytes, premultiplied RGBA8, rows
    // top to bottom) with its top left corner at `left`, `top`; what falls outside is left out.
    void drawOver(std::span<std::uint8_t> pixels, std::uint32_t width, std::uint32_t height,
                  std::int32_t left, std::int32_t top) const;
    // The layer as straight RGBA8 bytes, as the display toolkit's images hold them.
    platform::PixelBytes straightPixels() const;

private:
    std::uint32_t m_width;
    std::uint32_t m_height;
    cairo_surface_t* m_surface{nullptr};
    cairo_t* m_cairo{nullptr};
};

} // namespace velorin::tools
