// Where the lock screen's own pieces sit on a screen of a given size, in points: the status
// bar with its time and battery, the lock glyph, the large clock and the date, the two round
// buttons near the bottom corners and the home indicator bar.
//
// This is the one description of them: the pictures draw each piece inside its rectangle, and
// `check --screen` and `list --screen` name the pieces an animation's rectangle covers, so the
// two never disagree. Screens twice as tall as they are wide or more are laid out as phones
// without a home button (a taller status bar around the sensor housing); shorter ones as phones
// with one. The sizes are those of the phones' own lock screens, in points, so a piece sits
// where it would on a phone of that size; on screens far smaller than a phone the pieces may
// overlap each other or leave the screen, and nothing is clamped.
#pragma once

#include "platform/display/Geometry.h"

#include <optional>
#include <string_view>
#include <vector>

namespace velorin::tools {

enum class ScreenShape { EdgeToEdge, HomeButton };

struct LockScreenLayout {
    ScreenShape shape{ScreenShape::EdgeToEdge};
    platform::CGRect statusBar;
    platform::CGRect statusTime;
    // The battery level as text ("80%") and the battery glyph beside it.
    platform::CGRect batteryLevel;
    platform::CGRect batteryGlyph;
    platform::CGRect lockGlyph;
    platform::CGRect clock;
    platform::CGRect date;
    // The flashlight button on the left, the camera button on the right.
    platform::CGRect leftButton;
    platform::CGRect rightButton;
    platform::CGRect homeIndicator;
};

LockScreenLayout layOutLockScreen(platform::CGSize screen);

// A piece of the page that an animation placed over it covers, as people call it.
struct CoveredPiece {
    std::string_view name;
    platform::CGRect frame;
};

// The pieces that belong to the page and so lie beneath the extension's container, top to
// bottom: the clock, the date, the left button, the right button and the home indicator. The
// status bar lies above the container and is never covered; the lock glyph is too small and
// too high to matter.
std::vector<CoveredPiece> piecesBeneathAnimation(const LockScreenLayout& layout);

// Where two rectangles overlap, with an area above zero; none where they only touch. A
// rectangle of negative width or height counts as the one it spans.
std::optional<platform::CGRect> overlapOf(const platform::CGRect& first,
                                          const platform::CGRect& second);

} // namespace velorin::tools
