// The lock screen as a person would see it, built as the host builds it: a wallpaper; the
// page with its own pieces (the lock glyph, the clock and the date, the flashlight and camera
// buttons, the home indicator); the page's views above them (the host's charging view when it
// shows, then the extension's container, the page's topmost child, and its animation, which so
// covers any piece it is placed over); the status bar above everything; all of it darkened by
// the backlight.
//
// The simulated page is painted black, as a stand-in for whatever lies behind the lock
// screen. While a picture-taker lives, the page is left unpainted instead and the views are
// drawn straight over the wallpaper and the page's pieces, and the host's charging view has
// the look of a large battery being charged. Bare pictures leave the pieces and the status bar
// out: the wallpaper alone lies beneath the views. Pictures are plain bytes (see
// FramePixels.h), so that they can be encoded on other threads while the next is drawn; each
// picture-taker draws on the thread it was made on.
#pragma once

#include "platform/display/View.h"
#include "sim/SimulatedHost.h"
#include "tools/lockscreen/FramePixels.h"
#include "tools/lockscreen/LockScreenFurniture.h"

#include <memory>

namespace velorin::tools {

class DrawnLayer;

enum class Furniture { Drawn, Bare };

struct LockScreenDress {
    Furniture furniture{Furniture::Drawn};
    LockScreenText text;
};

class LockScreenPicture {
public:
    // For pictures of the host's lock screen at `scale` pixels per point.
    LockScreenPicture(const sim::SimulatedHost& host, double scale,
                      const LockScreenDress& dress = {});
    // Paints the page and the host's charging view as they were.
    ~LockScreenPicture();
    LockScreenPicture(const LockScreenPicture&) = delete;
    LockScreenPicture& operator=(const LockScreenPicture&) = delete;

    // The screen at `seconds` on the main queue's clock, each colour multiplied by the
    // backlight factor (0 is black, 1 unchanged), with the status bar showing `power`; none
    // when the page cannot be rendered.
    std::unique_ptr<FramePixels> take(double seconds, float backlightFactor,
                                      PowerSource power) const;
    // The same into `picture`, whose bytes are reused when it has the size already; false
    // when the page cannot be rendered.
    bool takeInto(FramePixels& picture, double seconds, float backlightFactor,
                  PowerSource power) const;
    // The screen as the host has it now: its clock, backlight and power.
    std::unique_ptr<FramePixels> takeNow(const sim::SimulatedHost& host) const;

    // What lies behind the views: the wallpaper and, unless bare, the page's pieces.
    const FramePixels& background() const { return m_background; }
    std::uint32_t width() const { return m_background.width; }
    std::uint32_t height() const { return m_background.height; }

private:
    platform::UIView& m_page;
    platform::UIView& m_chargingView;
    double m_scale;
    platform::UIColor m_pageColor;
    platform::UIColor m_chargingViewColor;
    platform::Ref<platform::CGImage> m_chargingViewContents;
    FramePixels m_background;
    LockScreenLayout m_layout;
    // The status bar on the battery and on the charger, none when bare.
    std::unique_ptr<DrawnLayer> m_statusBar[2];
};

// Whether the host's device is on the charger, as the status bar shows it.
PowerSource powerSourceOf(const sim::SimulatedHost& host);

} // namespace velorin::tools
