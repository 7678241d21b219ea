#include "tools/import/sources/FrameCompositing.h"

#include <algorithm>
#include <cstring>

namespace velorin::tools {

namespace {

// One pixel laid over another by its alpha, both straight: the colour is the alpha-weighted
// mean of the two, the alpha their union. Worked in units of 1/(255·255) and rounded once.
void layOver(std::uint8_t* under, const std::uint8_t* over) {
    std::uint32_t overAlpha = over[3];
    if (overAlpha == 255) {
        std::memcpy(under, over, 4);
        return;
    }
    if (overAlpha == 0)
        return;
    std::uint32_t underWeight = under[3] * (255 - overAlpha);
    std::uint32_t overWeight = overAlpha * 255;
    std::uint32_t total = overWeight + underWeight;
    for (int channel = 0; channel < 3; ++channel)
        under[channel] = static_cast<std::uint8_t>(
            (over[channel] * overWeight + under[channel] * underWeight + total / 2) / total);
    under[3] = static_cast<std::uint8_t>((total + 127) / 255);
}

} // namespace

FrameCompositor::FrameCompositor(std::uint32_t width, std::uint32_t height)
    : m_width(width), m_height(height), m_canvas(std::size_t{width} * height * 4, 0) {}

void FrameCompositor::begin(const FrameArea& area, FrameDisposal disposal) {
    m_area = area;
    m_disposal = disposal;
    std::int64_t left = std::clamp<std::int64_t>(area.left, 0, m_width);
    std::int64_t top = std::clamp<std::int64_t>(area.top, 0, m_height);
    std::int64_t right = std::clamp<std::int64_t>(area.left + area.width, 0, m_width);
    std::int64_t bottom = std::clamp<std::int64_t>(area.top + area.height, 0, m_height);
    m_visible = {};
    m_saved.clear();
    // A frame wholly off the canvas draws, saves and disposes of nothing.
    if (right <= left || bottom <= top)
        return;
    m_visible = {static_cast<std::uint32_t>(left), static_cast<std::uint32_t>(top),
                 static_cast<std::uint32_t>(right - left), static_cast<std::uint32_t>(bottom - top)};
    if (disposal != FrameDisposal::RestorePrevious)
        return;
    std::size_t rowBytes = std::size_t{m_visible.width} * 4;
    m_saved.resize(rowBytes * m_visible.height);
    for (std::uint32_t row = 0; row < m_visible.height; ++row)
        std::memcpy(m_saved.data() + row * rowBytes,
                    m_canvas.data() +
                        ((std::size_t{m_visible.top} + row) * m_width + m_visible.left) * 4,
                    rowBytes);
}

void FrameCompositor::drawRow(std::uint32_t row, const std::uint8_t* pixels, FrameBlend blend) {
    std::int64_t y = m_area.top + row;
    if (row >= m_area.height || y < 0 || y >= m_height || m_visible.width == 0)
        return;
    // The frame's first visible pixel, counted from the frame's left edge.
    std::size_t skipped = static_cast<std::size_t>(m_visible.left - m_area.left);
    const std::uint8_t* from = pixels + skipped * 4;
    std::uint8_t* to = m_canvas.data() + (static_cast<std::size_t>(y) * m_width + m_visible.left) * 4;
    if (blend == FrameBlend::Replace) {
        std::memcpy(to, from, std::size_t{m_visible.width} * 4);
        return;
    }
    for (std::uint32_t x = 0; x < m_visible.width; ++x)
        layOver(to + x * 4, from + x * 4);
}

void FrameCompositor::end() {
    std::size_t rowBytes = std::size_t{m_visible.width} * 4;
    for (std::uint32_t row = 0; row < m_visible.height; ++row) {
        std::uint8_t* to =
            m_canvas.data() + ((std::size_t{m_visible.top} + row) * m_width + m_visible.left) * 4;
        if (m_disposal == FrameDisposal::ClearToTransparent)
            std::memset(to, 0, rowBytes);
        else if (m_disposal == FrameDisposal::RestorePrevious)
            std::memcpy(to, m_saved.data() + row * rowBytes, rowBytes);
    }
    m_saved.clear();
    m_disposal = FrameDisposal::Keep;
    m_visible = {};
}

} // namespace velorin::tools
