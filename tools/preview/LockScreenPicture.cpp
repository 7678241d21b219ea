#include "tools/preview/LockScreenPicture.h"

#include "platform/display/Compositor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace velorin::tools {

namespace {

// A night-blue top fading into violet at the bottom. Each row is one colour, which keeps
// the frames' files small.
constexpr std::array<double, 3> wallpaperTop{22, 30, 72};
constexpr std::array<double, 3> wallpaperBottom{92, 44, 104};

std::uint32_t pixelExtent(double points, double scale) {
    double pixels = points * scale;
    return std::isfinite(pixels) && pixels > 0 ? static_cast<std::uint32_t>(std::lround(pixels))
                                               : 0;
}

FramePixels makeWallpaper(std::uint32_t width, std::uint32_t height) {
    FramePixels wallpaper{width, height, platform::PixelBytes(std::size_t{width} * height * 4)};
    for (std::uint32_t y = 0; y < height; ++y) {
        double position = height == 1 ? 0.0 : static_cast<double>(y) / (height - 1);
        std::array<std::uint8_t, 4> color{0, 0, 0, 255};
        for (std::size_t channel = 0; channel < 3; ++channel) {
            double value = wallpaperTop[channel] +
                           (wallpaperBottom[channel] - wallpaperTop[channel]) * position;
            color[channel] = static_cast<std::uint8_t>(std::lround(value));
        }
        auto row = wallpaper.rgba.begin() + static_cast<long>(std::size_t{y} * width * 4);
        for (std::uint32_t x = 0; x < width; ++x)
            std::copy(color.begin(), color.end(), row + static_cast<long>(x) * 4);
    }
    return wallpaper;
}

// Multiplies every colour by `factor` in [0, 1], rounded; the picture stays opaque.
void darken(FramePixels& picture, float factor) {
    // In 1/65536ths, so that whole levels keep their rounding.
    auto scale = static_cast<std::uint32_t>(std::lround(factor * 65536.0f));
    for (std::size_t offset = 0; offset < picture.rgba.size(); offset += 4) {
        for (std::size_t channel = 0; channel < 3; ++channel) {
            std::uint32_t level = picture.rgba[offset + channel];
            picture.rgba[offset + channel] =
                static_cast<std::uint8_t>((level * scale + 32768) >> 16);
        }
    }
}

} // namespace

LockScreenPicture::LockScreenPicture(platform::UIView& page, double scale)
    : m_page(page), m_scale(scale), m_pageColor(page.backgroundColor()),
      m_wallpaper(makeWallpaper(pixelExtent(page.bounds().size.width, scale),
                                pixelExtent(page.bounds().size.height, scale))) {
    m_page.setBackgroundColor(platform::UIColor::clearColor());
}

LockScreenPicture::~LockScreenPicture() {
    m_page.setBackgroundColor(m_pageColor);
}

std::unique_ptr<FramePixels> LockScreenPicture::take(double seconds, float backlightFactor) const {
    platform::RenderOptions options;
    options.scale = m_scale;
    options.time = seconds;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (!platform::renderSizeOf(&m_page, options, width, height) || width == 0 || height == 0 ||
        width != m_wallpaper.width || height != m_wallpaper.height)
        return nullptr;
    // The wallpaper is opaque, so its straight bytes are also premultiplied ones: the views are
    // drawn onto a copy of it, and the picture stays opaque.
    auto picture = std::make_unique<FramePixels>();
    picture->width = width;
    picture->height = height;
    // Left unwritten by the resize, then copied whole: copying the vector itself would
    // construct its bytes one at a time.
    picture->rgba.resize(m_wallpaper.rgba.size());
    std::memcpy(picture->rgba.data(), m_wallpaper.rgba.data(), m_wallpaper.rgba.size());
    if (!platform::drawViewTree(&m_page, options, picture->rgba, width, height))
        return nullptr;
    float factor = std::isnan(backlightFactor) ? 0.0f : std::clamp(backlightFactor, 0.0f, 1.0f);
    if (factor < 1.0f)
        darken(*picture, factor);
    return picture;
}

} // namespace velorin::tools
