// One canvas on which the frames of an animated GIF or PNG are drawn, one after another, the
// way browsers draw them.
//
// A frame covers an area of the canvas, which may reach past its edges: only the part on the
// canvas is drawn, and the rest of the canvas keeps the earlier picture. A frame's pixels
// either replace what lies under them or are laid over it by their alpha. Once the frame has
// been shown, its area is left as it is, cleared to transparent, or given back what it held
// before the frame. The canvas starts transparent; pixels are straight (not premultiplied)
// RGBA with 8 bits a channel, as browsers keep them. Only the area a frame covers is copied
// for the one disposal that needs it, so the compositor holds at most two canvases.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velorin::tools {

// Where a frame lies, in canvas pixels; it may reach past the canvas.
struct FrameArea {
    std::int64_t left{0};
    std::int64_t top{0};
    std::uint32_t width{0};
    std::uint32_t height{0};
};

enum class FrameBlend {
    // The frame's pixels, transparent ones included, replace the canvas's.
    Replace,
    // The frame's pixels are laid over the canvas by their alpha.
    Over,
};

// What becomes of a frame's area once the frame has been shown.
enum class FrameDisposal {
    Keep,
    ClearToTransparent,
    RestorePrevious,
};

class FrameCompositor {
public:
    FrameCompositor(std::uint32_t width, std::uint32_t height);

    std::uint32_t width() const { return m_width; }
    std::uint32_t height() const { return m_height; }
    // width × height straight RGBA, rows top to bottom.
    const std::vector<std::uint8_t>& canvas() const { return m_canvas; }

    // Starts a frame in `area`, to be disposed of as `disposal` says once it has been shown.
    void begin(const FrameArea& area, FrameDisposal disposal);
    // Draws row `row` of the current frame: `area.width` straight RGBA pixels.
    void drawRow(std::uint32_t row, const std::uint8_t* pixels, FrameBlend blend);
    // Disposes of the current frame.
    void end();

private:
    struct Span {
        std::uint32_t left{0};
        std::uint32_t top{0};
        std::uint32_t width{0};
        std::uint32_t height{0};
    };

    std::uint32_t m_width;
    std::uint32_t m_height;
    std::vector<std::uint8_t> m_canvas;
    FrameArea m_area;
    // The part of the current frame's area that lies on the canvas.
    Span m_visible;
    FrameDisposal m_disposal{FrameDisposal::Keep};
    std::vector<std::uint8_t> m_saved;
};

} // namespace velorin::tools
