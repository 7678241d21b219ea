// Where the lock screen's pieces sit on phones of several sizes, and the overlap of two
// rectangles that the notes of `check --screen` rest on.
#include "sequences/SequencePlacement.h"
#include "tools/lockscreen/LockScreenLayout.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace velorin::tools {
namespace {

using platform::CGRect;
using platform::CGRectMake;

TEST(LockScreenLayoutTest, OverlapsAreTheSharedAreaAndNeverAMereTouch) {
    EXPECT_FALSE(overlapOf(CGRectMake(0, 0, 10, 10), CGRectMake(10, 0, 10, 10)));
    EXPECT_FALSE(overlapOf(CGRectMake(0, 0, 10, 10), CGRectMake(0, 20, 10, 10)));
    EXPECT_FALSE(overlapOf(CGRectMake(0, 0, NAN, 10), CGRectMake(0, 0, 10, 10)));
    EXPECT_FALSE(overlapOf(CGRectMake(0, 0, 0, 10), CGRectMake(0, 0, 10, 10)));
    EXPECT_EQ(overlapOf(CGRectMake(0, 0, 10, 10), CGRectMake(5, 6, 10, 10)),
              CGRectMake(5, 6, 5, 4));
    // A rectangle of negative width spans leftwards from its origin, as the view's does.
    EXPECT_EQ(overlapOf(CGRectMake(10, 0, -8, 10), CGRectMake(0, 0, 5, 5)), CGRectMake(2, 0, 3, 5));
}

TEST(LockScreenLayoutTest, PhonesWithAndWithoutAHomeButtonHaveTheirPiecesInPlace) {
    for (platform::CGSize screen :
         {platform::CGSize{390, 844}, {430, 932}, {375, 812}, {320, 568}, {375, 667}}) {
        SCOPED_TRACE(std::to_string(screen.width) + "x" + std::to_string(screen.height));
        LockScreenLayout layout = layOutLockScreen(screen);
        EXPECT_EQ(layout.shape, screen.height >= 2 * screen.width ? ScreenShape::EdgeToEdge
                                                                  : ScreenShape::HomeButton);
        auto pieces = piecesBeneathAnimation(layout);
        ASSERT_EQ(pieces.size(), 5u);
        for (std::size_t first = 0; first < pieces.size(); ++first) {
            const CGRect& frame = pieces[first].frame;
            EXPECT_TRUE(frame.minX() >= 0 && frame.maxX() <= screen.width &&
                        frame.minY() >= layout.statusBar.maxY() && frame.maxY() <= screen.height)
                << pieces[first].name << " leaves the screen or reaches the status bar";
            for (std::size_t second = first + 1; second < pieces.size(); ++second)
                EXPECT_FALSE(overlapOf(frame, pieces[second].frame))
                    << pieces[first].name << " overlaps " << pieces[second].name;
        }
        // The buttons stand in the bottom corners, the home indicator between them below.
        EXPECT_LT(layout.leftButton.maxX(), screen.width / 3);
        EXPECT_GT(layout.rightButton.minX(), screen.width * 2 / 3);
        EXPECT_GT(layout.leftButton.minY(), screen.height * 0.8);
        EXPECT_GT(layout.homeIndicator.minY(), layout.leftButton.maxY());
        EXPECT_DOUBLE_EQ(layout.homeIndicator.minX() + layout.homeIndicator.size.width / 2,
                         screen.width / 2);
        // A sequence without options covers none of them, so a plain theme gets no note.
        SequencePlacement placement = computePlacement(std::nullopt, screen.width, screen.height);
        CGRect view = CGRectMake(placement.x, placement.y, placement.width, placement.height);
        for (const auto& piece : pieces)
            EXPECT_FALSE(overlapOf(view, piece.frame)) << "the default box covers " << piece.name;
    }
}

} // namespace
} // namespace velorin::tools
