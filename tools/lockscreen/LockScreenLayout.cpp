#include "tools/lockscreen/LockScreenLayout.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace velorin::tools {

namespace {

using platform::CGRect;
using platform::CGRectMake;

// Screens at least this many times as tall as wide have no home button.
constexpr double edgeToEdgeProportion = 2.0;

// The measures of one shape of phone, in points.
struct ShapeMeasures {
    double statusBarHeight;
    // The top of the status bar's text and the height of its line.
    double statusTextTop;
    double statusTextHeight;
    double batteryWidth;
    double batteryHeight;
    // From the screen's right edge to the battery glyph.
    double batteryInset;
    double lockGlyphTop;
    double lockGlyphWidth;
    double lockGlyphHeight;
    double clockTop;
    double clockHeight;
    double dateHeight;
    double buttonDiameter;
    // From the screen's side to the button, and from the screen's bottom to the button.
    double buttonSideInset;
    double buttonBottomInset;
    double homeIndicatorWidth;
};

constexpr ShapeMeasures edgeToEdge{47, 14, 20, 25, 12, 18, 60, 16, 22, 98, 82, 24, 50, 46, 40, 134};
constexpr ShapeMeasures homeButton{20, 2, 16, 24, 11, 6, 28, 14, 19, 56, 76, 22, 44, 24, 28, 120};

// The sensor housing between the status bar's two ears on phones without a home button.
constexpr double sensorHousingWidth = 160;
constexpr double widestClock = 280;
constexpr double clockSideMargin = 16;
constexpr double clockToDateGap = 6;
constexpr double batteryLevelWidth = 40;
constexpr double batteryLevelGap = 4;
constexpr double homeIndicatorHeight = 5;
constexpr double homeIndicatorBottomInset = 8;
// The home indicator is never wider than this share of the screen.
constexpr double homeIndicatorLargestShare = 0.35;

CGRect centred(double screenWidth, double top, double width, double height) {
    return CGRectMake(screenWidth / 2 - width / 2, top, width, height);
}

} // namespace

LockScreenLayout layOutLockScreen(platform::CGSize screen) {
    double width = screen.width;
    double height = screen.height;
    LockScreenLayout layout;
    layout.shape =
        height >= width * edgeToEdgeProportion ? ScreenShape::EdgeToEdge : ScreenShape::HomeButton;
    const ShapeMeasures& measures =
        layout.shape == ScreenShape::EdgeToEdge ? edgeToEdge : homeButton;

    layout.statusBar = CGRectMake(0, 0, width, measures.statusBarHeight);
    // The time stands in the middle of the left ear, or in the middle of a plain status bar.
    if (layout.shape == ScreenShape::EdgeToEdge) {
        double ear = std::max(0.0, (width - sensorHousingWidth) / 2);
        layout.statusTime = CGRectMake(0, measures.statusTextTop, ear, measures.statusTextHeight);
    } else {
        layout.statusTime = centred(width, measures.statusTextTop, 80, measures.statusTextHeight);
    }
    double batteryLeft = width - measures.batteryInset - measures.batteryWidth;
    layout.batteryGlyph = CGRectMake(batteryLeft,
                                     measures.statusTextTop +
                                         (measures.statusTextHeight - measures.batteryHeight) / 2,
                                     measures.batteryWidth, measures.batteryHeight);
    layout.batteryLevel =
        CGRectMake(batteryLeft - batteryLevelGap - batteryLevelWidth, measures.statusTextTop,
                   batteryLevelWidth, measures.statusTextHeight);

    layout.lockGlyph =
        centred(width, measures.lockGlyphTop, measures.lockGlyphWidth, measures.lockGlyphHeight);
    double clockWidth = std::clamp(width - 2 * clockSideMargin, 0.0, widestClock);
    layout.clock = centred(width, measures.clockTop, clockWidth, measures.clockHeight);
    layout.date =
        centred(width, layout.clock.maxY() + clockToDateGap, clockWidth, measures.dateHeight);

    double buttonTop = height - measures.buttonBottomInset - measures.buttonDiameter;
    layout.leftButton = CGRectMake(measures.buttonSideInset, buttonTop, measures.buttonDiameter,
                                   measures.buttonDiameter);
    layout.rightButton = CGRectMake(width - measures.buttonSideInset - measures.buttonDiameter,
                                    buttonTop, measures.buttonDiameter, measures.buttonDiameter);
    double indicatorWidth =
        std::min(measures.homeIndicatorWidth, std::max(0.0, width) * homeIndicatorLargestShare);
    layout.homeIndicator = centred(width, height - homeIndicatorBottomInset - homeIndicatorHeight,
                                   indicatorWidth, homeIndicatorHeight);
    return layout;
}

std::vector<CoveredPiece> piecesBeneathAnimation(const LockScreenLayout& layout) {
    return {{"the clock", layout.clock},
            {"the date", layout.date},
            {"the left button", layout.leftButton},
            {"the right button", layout.rightButton},
            {"the home indicator", layout.homeIndicator}};
}

std::optional<platform::CGRect> overlapOf(const platform::CGRect& first,
                                          const platform::CGRect& second) {
    auto span = [](double origin, double length) {
        return std::pair{std::min(origin, origin + length), std::max(origin, origin + length)};
    };
    auto [firstLeft, firstRight] = span(first.origin.x, first.size.width);
    auto [firstTop, firstBottom] = span(first.origin.y, first.size.height);
    auto [secondLeft, secondRight] = span(second.origin.x, second.size.width);
    auto [secondTop, secondBottom] = span(second.origin.y, second.size.height);
    double left = std::max(firstLeft, secondLeft);
    double right = std::min(firstRight, secondRight);
    double top = std::max(firstTop, secondTop);
    double bottom = std::min(firstBottom, secondBottom);
    // Written so that a side that is not a number gives no overlap.
    if (!(right > left) || !(bottom > top))
        return std::nullopt;
    return CGRectMake(left, top, right - left, bottom - top);
}

} // namespace velorin::tools
