#include "tools/lockscreen/DrawnLayer.h"

#include <algorithm>
#include <bit>
#include <cairo.h>
#include <pixman.h>

namespace velorin::tools {

namespace {

// R, G, B, A in memory, whatever the byte order of a 32-bit word.
constexpr pixman_format_code_t byteOrderRgba =
    std::endian::native == std::endian::little ? PIXMAN_a8b8g8r8 : PIXMAN_r8g8b8a8;

} // namespace

DrawnLayer::DrawnLayer(std::uint32_t width, std::uint32_t height)
    : m_width(width), m_height(height) {
    if (width == 0 || height == 0 || width > 32767 || height > 32767)
        return;
    m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width),
                                           static_cast<int>(height));
    if (cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(m_surface);
        m_surface = nullptr;
        return;
    }
    m_cairo = cairo_create(m_surface);
    if (cairo_status(m_cairo) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(m_cairo);
        m_cairo = nullptr;
    }
}

DrawnLayer::~DrawnLayer() {
    if (m_cairo)
        cairo_destroy(m_cairo);
    if (m_surface)
        cairo_surface_destroy(m_surface);
}

void DrawnLayer::drawOver(std::span<std::uint8_t> pixels, std::uint32_t width, std::uint32_t height,
                          std::int32_t left, std::int32_t top) const {
    if (!m_cairo || width == 0 || height == 0 || pixels.size() != std::size_t{width} * height * 4)
        return;
    cairo_surface_flush(m_surface);
    pixman_image_t* source = pixman_image_create_bits(
        PIXMAN_a8r8g8b8, static_cast<int>(m_width), static_cast<int>(m_height),
        reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(m_surface)),
        cairo_image_surface_get_stride(m_surface));
    pixman_image_t* target = pixman_image_create_bits(
        byteOrderRgba, static_cast<int>(width), static_cast<int>(height),
        reinterpret_cast<std::uint32_t*>(pixels.data()), static_cast<int>(width * 4));
    if (source && target)
        pixman_image_composite32(PIXMAN_OP_OVER, source, nullptr, target, 0, 0, 0, 0, left, top,
                                 static_cast<std::int32_t>(m_width),
                                 static_cast<std::int32_t>(m_height));
    if (source)
        pixman_image_unref(source);
    if (target)
        pixman_image_unref(target);
}

platform::PixelBytes DrawnLayer::straightPixels() const {
    platform::PixelBytes bytes(std::size_t{m_width} * m_height * 4);
    if (!m_cairo)
        return bytes;
    cairo_surface_flush(m_surface);
    const unsigned char* data = cairo_image_surface_get_data(m_surface);
    int stride = cairo_image_surface_get_stride(m_surface);
    for (std::uint32_t y = 0; y < m_height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + std::size_t(y) * stride);
        for (std::uint32_t x = 0; x < m_width; ++x) {
            std::uint32_t word = row[x];
            std::uint32_t alpha = word >> 24;
            std::uint8_t* out = bytes.data() + (std::size_t{y} * m_width + x) * 4;
            for (int channel = 0; channel < 3; ++channel) {
                std::uint32_t level = (word >> (16 - 8 * channel)) & 0xFF;
                out[channel] = alpha == 0 ? 0
                                          : static_cast<std::uint8_t>(std::min<std::uint32_t>(
                                                255, (level * 255 + alpha / 2) / alpha));
            }
            out[3] = static_cast<std::uint8_t>(alpha);
        }
    }
    return bytes;
}

} // namespace velorin::tools
