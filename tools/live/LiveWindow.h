// The live window, with SDL2: the lock screen scaled to fit the desktop, a status line beneath
// it, and the list of keys over it on request.
//
// The lock screen is drawn at the window's own pixels per point (the drawable's, on a display
// of high density), so it is shown pixel for pixel and stays sharp; the window can be resized,
// and the lock screen then keeps its proportions. Keys are read as the text they type, so `?`
// is `?` on any keyboard layout; Escape quits as `q` does. SDL is told to leave SIGINT and
// SIGTERM alone, so that the command's own watch hears them. Without a desktop, SDL's
// dummy or offscreen driver (SDL_VIDEODRIVER=dummy) gives a window that nobody sees, for tests.
#pragma once

#include "common/Result.h"
#include "platform/display/Geometry.h"
#include "tools/lockscreen/FramePixels.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velorin::tools {

struct WindowInput {
    // The letters of the keys pressed, in order; Escape gives 'q'.
    std::vector<char> keys;
    bool closed{false};
    // The window changed size: the lock screen's scale may have changed.
    bool resized{false};
};

class LiveWindow {
public:
    // Opens a window for a screen of `screen` points, titled `title`; a fault with SDL's reason
    // when there is no display to open it on.
    static common::Result<std::unique_ptr<LiveWindow>> open(platform::CGSize screen,
                                                            const std::string& title);
    ~LiveWindow();
    LiveWindow(const LiveWindow&) = delete;
    LiveWindow& operator=(const LiveWindow&) = delete;

    // Resizes the window for another screen.
    void fitTo(platform::CGSize screen);
    // The pixels per point the lock screen is to be drawn at to fill its part of the window.
    double pictureScale() const;

    WindowInput poll();
    // Shows `picture` (drawn at `pictureScale()`), the status line beneath it and, when asked,
    // the list of keys over it; the picture's bytes are drawn on. False when SDL fails.
    bool show(FramePixels& picture, std::string_view status, bool withHelp);

private:
    LiveWindow() = default;
    void measure();

    struct Resources;
    std::unique_ptr<Resources> m_resources;
    platform::CGSize m_screen;
    double m_pictureScale{1};
    int m_drawableWidth{0};
    int m_drawableHeight{0};
    int m_statusHeight{0};
    std::string m_shownStatus;
};

} // namespace velorin::tools
