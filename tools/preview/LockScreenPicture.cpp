#include "tools/preview/LockScreenPicture.h"

#include "platform/display/Compositor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

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

platform::Ref<platform::CGImage> makeWallpaper(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> pixels(std::size_t{width} * height * 4);
    for (std::uint32_t y = 0; y < height; ++y) {
        double position = height == 1 ? 0.0 : static_cast<double>(y) / (height - 1);
        std::array<std::uint8_t, 4> color{0, 0, 0, 255};
        for (std::size_t channel = 0; channel < 3; ++channel) {
            double value = wallpaperTop[channel] +
                           (wallpaperBottom[channel] - wallpaperTop[channel]) * position;
            color[channel] = static_cast<std::uint8_t>(std::lround(value));
        }
        auto row = pixels.begin() + static_cast<long>(std::size_t{y} * width * 4);
        for (std::uint32_t x = 0; x < width; ++x)
            std::copy(color.begin(), color.end(), row + static_cast<long>(x) * 4);
    }
    return platform::CGImage::create(width, height, std::move(pixels));
}

// Lays straight-alpha `views` over the opaque `background` of the same size, darkened by
// `factor`, into `views`.
void layOverBackground(platform::CGImage& views, const platform::CGImage& background,
                       float factor) {
    auto pixels = views.mutablePixels();
    const auto& under = background.pixels();
    for (std::size_t offset = 0; offset < pixels.size(); offset += 4) {
        float alpha = static_cast<float>(pixels[offset + 3]) / 255.0f;
        for (std::size_t channel = 0; channel < 3; ++channel) {
            float mixed = static_cast<float>(pixels[offset + channel]) * alpha +
                          static_cast<float>(under[offset + channel]) * (1.0f - alpha);
            pixels[offset + channel] = static_cast<std::uint8_t>(mixed * factor + 0.5f);
        }
        pixels[offset + 3] = 255;
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

platform::Ref<platform::CGImage> LockScreenPicture::take(double seconds,
                                                         float backlightFactor) const {
    platform::RenderOptions options;
    options.scale = m_scale;
    options.time = seconds;
    auto picture = platform::renderViewTree(&m_page, options);
    if (!picture || !m_wallpaper || picture->width() != m_wallpaper->width() ||
        picture->height() != m_wallpaper->height())
        return nullptr;
    float factor = std::isnan(backlightFactor) ? 0.0f : std::clamp(backlightFactor, 0.0f, 1.0f);
    layOverBackground(*picture, *m_wallpaper, factor);
    return picture;
}

} // namespace velorin::tools
