// The lock screen as a person would see it: a wallpaper behind the host's page, with the
// host's charging view when it shows, the extension's container and its animation, all
// darkened by the backlight.
//
// The simulated page is painted black, as a stand-in for whatever lies behind the lock
// screen. While a picture-taker lives, the page is left unpainted instead and the views are
// drawn straight over a gradient wallpaper, the kind of background the animation is seen
// against on a device, so that its edges and transparency show. Pictures are plain bytes (see
// FramePixels.h), so that they can be encoded on other threads while the next is drawn.
#pragma once

#include "platform/display/View.h"
#include "tools/preview/FramePixels.h"

#include <memory>

namespace velorin::tools {

class LockScreenPicture {
public:
    // For pictures of `page` at `scale` pixels per point.
    LockScreenPicture(platform::UIView& page, double scale);
    // Paints the page as it was.
    ~LockScreenPicture();
    LockScreenPicture(const LockScreenPicture&) = delete;
    LockScreenPicture& operator=(const LockScreenPicture&) = delete;

    // The screen at `seconds` on the main queue's clock, each colour multiplied by the
    // backlight factor (0 is black, 1 unchanged); none when the page cannot be rendered.
    std::unique_ptr<FramePixels> take(double seconds, float backlightFactor) const;

    // What lies behind the views.
    const FramePixels& wallpaper() const { return m_wallpaper; }

private:
    platform::UIView& m_page;
    double m_scale;
    platform::UIColor m_pageColor;
    FramePixels m_wallpaper;
};

} // namespace velorin::tools
