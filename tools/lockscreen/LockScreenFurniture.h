// The lock screen's own pieces, drawn with cairo in points (the context scaled to the
// picture's pixels), each inside the rectangle that LockScreenLayout gives it: on the page, the
// lock glyph, the clock, the date, the flashlight and camera buttons and the home indicator;
// above everything, the status bar with its time and battery; and the look of the host's own
// charging view, a large battery being charged.
#pragma once

#include "platform/display/Geometry.h"
#include "tools/lockscreen/LockScreenLayout.h"

#include <string>

using cairo_t = struct _cairo;

namespace velorin::tools {

enum class PowerSource { Battery, Charger };

// The battery level the pictures show; the simulated device knows none.
inline constexpr int shownBatteryPercent = 80;

// What the page says: the time ("9:41") and the date ("Tuesday 9 January").
struct LockScreenText {
    std::string clock{"9:41"};
    std::string date{"Tuesday 9 January"};
};

// The pieces that belong to the page, beneath every view on it.
void drawPagePieces(cairo_t* cairo, const LockScreenLayout& layout, const LockScreenText& text);

// The status bar, above everything: the time, the battery level and, on the charger, the
// battery green with a charging mark.
void drawStatusBar(cairo_t* cairo, const LockScreenLayout& layout, const LockScreenText& text,
                   PowerSource power);

// The host's charging view drawn into a view of `size` points, from its top left corner.
void drawChargingIndicator(cairo_t* cairo, platform::CGSize size);

} // namespace velorin::tools
