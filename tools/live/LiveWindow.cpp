#include "tools/live/LiveWindow.h"

#include "tools/live/LiveKeys.h"
#include "tools/lockscreen/DrawnLayer.h"
#include "tools/lockscreen/TextSetting.h"

#include <SDL.h>
#include <algorithm>
#include <cairo.h>
#include <cmath>

namespace velorin::tools {

namespace {

// The status line's height in window units, and the share of the desktop the window may take.
constexpr int statusLineHeight = 26;
constexpr double desktopShare = 0.9;
constexpr std::uint8_t statusBackground[4]{28, 28, 32, 255};
constexpr platform::UIColor statusText{0.86, 0.86, 0.9, 1};

struct Fit {
    int width;
    int height;
};

// The window's size for a screen: the screen at one unit a point, or smaller to fit the desktop.
Fit windowFor(platform::CGSize screen) {
    SDL_Rect usable{0, 0, 1024, 768};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0 || usable.w <= 0 || usable.h <= 0)
        usable = SDL_Rect{0, 0, 1024, 768};
    double fit = std::min({1.0, usable.w * desktopShare / screen.width,
                           (usable.h * desktopShare - statusLineHeight) / screen.height});
    fit = std::max(fit, 0.05);
    return {std::max(1, static_cast<int>(std::lround(screen.width * fit))),
            std::max(1, static_cast<int>(std::lround(screen.height * fit))) + statusLineHeight};
}

} // namespace

struct LiveWindow::Resources {
    SDL_Window* window{nullptr};
    SDL_Renderer* renderer{nullptr};
    SDL_Texture* picture{nullptr};
    int pictureWidth{0};
    int pictureHeight{0};
    SDL_Texture* status{nullptr};
    int statusWidth{0};
    int statusHeight{0};

    ~Resources() {
        if (status)
            SDL_DestroyTexture(status);
        if (picture)
            SDL_DestroyTexture(picture);
        if (renderer)
            SDL_DestroyRenderer(renderer);
        if (window)
            SDL_DestroyWindow(window);
        // The video subsystem itself stays until the process ends: quitting it unloads the
        // X11 and GL libraries SDL opened, and what they keep could then no longer be told
        // from a leak of ours.
    }

    // A streaming texture of byte-order RGBA, made again when the size changes.
    static bool ensureTexture(SDL_Renderer* renderer, SDL_Texture*& texture, int& width,
                              int& height, int wantedWidth, int wantedHeight) {
        if (texture && width == wantedWidth && height == wantedHeight)
            return true;
        if (texture)
            SDL_DestroyTexture(texture);
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STREAMING,
                                    wantedWidth, wantedHeight);
        width = wantedWidth;
        height = wantedHeight;
        return texture != nullptr;
    }
};

common::Result<std::unique_ptr<LiveWindow>> LiveWindow::open(platform::CGSize screen,
                                                             const std::string& title) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    std::unique_ptr<LiveWindow> window(new LiveWindow);
    window->m_resources = std::make_unique<Resources>();
    Resources& resources = *window->m_resources;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return common::Fault(std::string("cannot open a window: ") + SDL_GetError());
    Fit fit = windowFor(screen);
    resources.window =
        SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, fit.width,
                         fit.height, SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE);
    if (!resources.window)
        return common::Fault(std::string("cannot open a window: ") + SDL_GetError());
    resources.renderer = SDL_CreateRenderer(resources.window, -1, 0);
    if (!resources.renderer)
        return common::Fault(std::string("cannot draw in the window: ") + SDL_GetError());
    SDL_StartTextInput();
    window->m_screen = screen;
    window->measure();
    return window;
}

LiveWindow::~LiveWindow() = default;

void LiveWindow::fitTo(platform::CGSize screen) {
    m_screen = screen;
    Fit fit = windowFor(screen);
    SDL_SetWindowSize(m_resources->window, fit.width, fit.height);
    measure();
}

void LiveWindow::measure() {
    int windowWidth = 1;
    int windowHeight = 1;
    SDL_GetWindowSize(m_resources->window, &windowWidth, &windowHeight);
    if (SDL_GetRendererOutputSize(m_resources->renderer, &m_drawableWidth, &m_drawableHeight) != 0)
        SDL_GetWindowSize(m_resources->window, &m_drawableWidth, &m_drawableHeight);
    double density = static_cast<double>(m_drawableWidth) / std::max(1, windowWidth);
    m_statusHeight = static_cast<int>(std::lround(statusLineHeight * density));
    m_pictureScale =
        std::max(0.01, std::min(m_drawableWidth / m_screen.width,
                                (m_drawableHeight - m_statusHeight) / m_screen.height));
    m_shownStatus.clear();
}

double LiveWindow::pictureScale() const {
    return m_pictureScale;
}

WindowInput LiveWindow::poll() {
    WindowInput input;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            input.closed = true;
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE)
                input.closed = true;
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                measure();
                input.resized = true;
            }
            break;
        case SDL_TEXTINPUT:
            if (event.text.text[0] != '\0' && event.text.text[1] == '\0')
                input.keys.push_back(event.text.text[0]);
            break;
        case SDL_KEYDOWN:
            if (event.key.keysym.sym == SDLK_ESCAPE)
                input.keys.push_back('q');
            break;
        default:
            break;
        }
    }
    return input;
}

namespace {

// The list of keys over the lock screen, on a dark panel.
void drawHelp(FramePixels& picture, double scale) {
    DrawnLayer layer(picture.width, picture.height);
    if (!layer.isValid())
        return;
    cairo_t* cairo = layer.cairo();
    cairo_scale(cairo, scale, scale);
    double width = picture.width / scale;
    double height = picture.height / scale;
    cairo_set_source_rgba(cairo, 0, 0, 0, 0.72);
    cairo_paint(cairo);
    double line = 24;
    double top = std::max(16.0, height / 2 - line * (liveKeys().size() + 1) / 2);
    TextStyle heading{16, FontWeight::Bold, {1, 1, 1, 1}, TextAlignment::Left};
    setText(cairo, "Keys", heading, platform::CGRectMake(24, top, width - 48, line));
    TextStyle keyStyle{14, FontWeight::Bold, {1, 1, 1, 1}, TextAlignment::Left};
    TextStyle actionStyle{14, FontWeight::Regular, {0.9, 0.9, 0.92, 1}, TextAlignment::Left};
    for (const auto& key : liveKeys()) {
        top += line;
        setText(cairo, key.name, keyStyle, platform::CGRectMake(24, top, 56, line));
        setText(cairo, key.action, actionStyle, platform::CGRectMake(80, top, width - 96, line));
    }
    layer.drawOver(picture.rgba, picture.width, picture.height, 0, 0);
}

} // namespace

bool LiveWindow::show(FramePixels& picture, std::string_view status, bool withHelp) {
    Resources& resources = *m_resources;
    if (picture.width == 0 || picture.height == 0)
        return false;
    if (withHelp)
        drawHelp(picture, m_pictureScale);
    if (!Resources::ensureTexture(resources.renderer, resources.picture, resources.pictureWidth,
                                  resources.pictureHeight, static_cast<int>(picture.width),
                                  static_cast<int>(picture.height)))
        return false;
    SDL_UpdateTexture(resources.picture, nullptr, picture.rgba.data(),
                      static_cast<int>(picture.width * 4));
    int statusWidth = std::max(1, m_drawableWidth);
    int statusHeight = std::max(1, m_statusHeight);
    bool fresh = resources.status == nullptr || resources.statusWidth != statusWidth ||
                 resources.statusHeight != statusHeight;
    if (!Resources::ensureTexture(resources.renderer, resources.status, resources.statusWidth,
                                  resources.statusHeight, statusWidth, statusHeight))
        return false;
    if (fresh || status != m_shownStatus) {
        FramePixels line{static_cast<std::uint32_t>(statusWidth),
                         static_cast<std::uint32_t>(statusHeight),
                         platform::PixelBytes(std::size_t(statusWidth) * statusHeight * 4)};
        for (std::size_t offset = 0; offset < line.rgba.size(); offset += 4)
            std::copy(std::begin(statusBackground), std::end(statusBackground),
                      line.rgba.begin() + static_cast<long>(offset));
        double density = static_cast<double>(statusHeight) / statusLineHeight;
        TextStyle style{12 * density, FontWeight::Regular, statusText, TextAlignment::Left};
        setTextOnPicture(
            line.rgba, line.width, line.height, status, style,
            platform::CGRectMake(8 * density, 0, statusWidth - 16 * density, statusHeight));
        SDL_UpdateTexture(resources.status, nullptr, line.rgba.data(), statusWidth * 4);
        m_shownStatus = std::string(status);
    }
    SDL_SetRenderDrawColor(resources.renderer, 0, 0, 0, 255);
    SDL_RenderClear(resources.renderer);
    int pictureAreaHeight = m_drawableHeight - statusHeight;
    SDL_Rect pictureRect{(m_drawableWidth - static_cast<int>(picture.width)) / 2,
                         std::max(0, (pictureAreaHeight - static_cast<int>(picture.height)) / 2),
                         static_cast<int>(picture.width), static_cast<int>(picture.height)};
    SDL_Rect statusRect{0, m_drawableHeight - statusHeight, statusWidth, statusHeight};
    if (SDL_RenderCopy(resources.renderer, resources.picture, nullptr, &pictureRect) != 0 ||
        SDL_RenderCopy(resources.renderer, resources.status, nullptr, &statusRect) != 0)
        return false;
    SDL_RenderPresent(resources.renderer);
    return true;
}

} // namespace velorin::tools
