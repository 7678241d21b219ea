#include "tools/lockscreen/LockScreenPicture.h"

#include "platform/display/Compositor.h"
#include "tools/lockscreen/DrawnLayer.h"

#include <algorithm>
#include <array>
#include <cairo.h>
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

// A layer of `width` × `height` pixels whose cairo context draws in points.
std::unique_ptr<DrawnLayer> layerInPoints(std::uint32_t width, std::uint32_t height, double scale) {
    auto layer = std::make_unique<DrawnLayer>(width, height);
    if (!layer->isValid())
        return nullptr;
    cairo_scale(layer->cairo(), scale, scale);
    return layer;
}

// The host's charging view as a picture at `scale`, none when it would have no pixels.
platform::Ref<platform::CGImage> chargingIndicatorImage(platform::CGSize size, double scale) {
    auto layer =
        layerInPoints(pixelExtent(size.width, scale), pixelExtent(size.height, scale), scale);
    if (!layer)
        return nullptr;
    drawChargingIndicator(layer->cairo(), size);
    return platform::CGImage::create(layer->width(), layer->height(), layer->straightPixels());
}

} // namespace

PowerSource powerSourceOf(const sim::SimulatedHost& host) {
    return host.device().onPower ? PowerSource::Charger : PowerSource::Battery;
}

LockScreenPicture::LockScreenPicture(const sim::SimulatedHost& host, double scale,
                                     const LockScreenDress& dress)
    : m_page(*host.page()), m_chargingView(*host.hostChargingView()), m_scale(scale),
      m_pageColor(m_page.backgroundColor()), m_chargingViewColor(m_chargingView.backgroundColor()),
      m_chargingViewContents(m_chargingView.layer()->contents()),
      m_background(makeWallpaper(pixelExtent(m_page.bounds().size.width, scale),
                                 pixelExtent(m_page.bounds().size.height, scale))),
      m_layout(layOutLockScreen(m_page.bounds().size)) {
    m_page.setBackgroundColor(platform::UIColor::clearColor());
    m_chargingView.setBackgroundColor(platform::UIColor::clearColor());
    m_chargingView.layer()->setContents(
        chargingIndicatorImage(m_chargingView.bounds().size, scale));
    if (dress.furniture == Furniture::Bare)
        return;
    // The wallpaper is opaque, so its straight bytes are also premultiplied ones, and the
    // page's pieces can be laid straight over it once for every picture.
    if (auto pieces = layerInPoints(width(), height(), scale)) {
        drawPagePieces(pieces->cairo(), m_layout, dress.text);
        pieces->drawOver(m_background.rgba, width(), height(), 0, 0);
    }
    for (PowerSource power : {PowerSource::Battery, PowerSource::Charger}) {
        auto bar =
            layerInPoints(width(), pixelExtent(m_layout.statusBar.size.height, scale), scale);
        if (bar)
            drawStatusBar(bar->cairo(), m_layout, dress.text, power);
        m_statusBar[static_cast<int>(power)] = std::move(bar);
    }
}

LockScreenPicture::~LockScreenPicture() {
    m_page.setBackgroundColor(m_pageColor);
    m_chargingView.setBackgroundColor(m_chargingViewColor);
    m_chargingView.layer()->setContents(m_chargingViewContents);
}

bool LockScreenPicture::takeInto(FramePixels& picture, double seconds, float backlightFactor,
                                 PowerSource power) const {
    platform::RenderOptions options;
    options.scale = m_scale;
    options.time = seconds;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (!platform::renderSizeOf(&m_page, options, width, height) || width == 0 || height == 0 ||
        width != m_background.width || height != m_background.height)
        return false;
    // The views are drawn onto a copy of the background, and the picture stays opaque.
    picture.width = width;
    picture.height = height;
    // Left unwritten by the resize, then copied whole: copying the vector itself would
    // construct its bytes one at a time.
    picture.rgba.resize(m_background.rgba.size());
    std::memcpy(picture.rgba.data(), m_background.rgba.data(), m_background.rgba.size());
    if (!platform::drawViewTree(&m_page, options, picture.rgba, width, height))
        return false;
    if (const auto& bar = m_statusBar[static_cast<int>(power)])
        bar->drawOver(picture.rgba, width, height, 0, 0);
    float factor = std::isnan(backlightFactor) ? 0.0f : std::clamp(backlightFactor, 0.0f, 1.0f);
    if (factor < 1.0f)
        darken(picture, factor);
    return true;
}

std::unique_ptr<FramePixels> LockScreenPicture::take(double seconds, float backlightFactor,
                                                     PowerSource power) const {
    auto picture = std::make_unique<FramePixels>();
    if (!takeInto(*picture, seconds, backlightFactor, power))
        return nullptr;
    return picture;
}

std::unique_ptr<FramePixels> LockScreenPicture::takeNow(const sim::SimulatedHost& host) const {
    return take(static_cast<double>(host.now()) / 1e9, host.device().backlightFactor,
                powerSourceOf(host));
}

} // namespace velorin::tools
