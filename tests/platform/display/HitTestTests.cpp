// Hit testing: which view takes a touch, by the toolkit's rules.

#include "DisplayTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace display_testing;
using platform::CGPoint;
using platform::CGRectMake;

// A page of 100 × 100 with a panel at (10, 10) of 50 × 50 and, inside the panel, a button at
// (5, 5) of 10 × 10.
struct Page {
    platform::Ref<platform::UIView> root = taggedView(1, CGRectMake(0, 0, 100, 100));
    platform::Ref<platform::UIView> panel = taggedView(2, CGRectMake(10, 10, 50, 50));
    platform::Ref<platform::UIView> button = taggedView(3, CGRectMake(5, 5, 10, 10));
    Page() {
        root->addSubview(panel.get());
        panel->addSubview(button.get());
    }
    long touch(double x, double y) const {
        platform::UIView* hit = root->hitTest(CGPoint{x, y});
        return hit ? hit->tag() : -1;
    }
};

TEST(HitTest, AViewThatCannotTakeTouchesPassesThemToWhatLiesBeneath) {
    Page page;
    page.panel->setUserInteractionEnabled(false);
    EXPECT_EQ(page.touch(17, 17), 1) << "neither the panel nor its button";
    page.panel->setUserInteractionEnabled(true);

    page.panel->setHidden(true);
    EXPECT_EQ(page.touch(17, 17), 1);
    page.panel->setHidden(false);

    page.panel->setAlpha(0.009);
    EXPECT_EQ(page.touch(17, 17), 1);
    page.panel->setAlpha(0.01);
    EXPECT_EQ(page.touch(17, 17), 3) << "an alpha of 0.01 is enough";

    page.root->setUserInteractionEnabled(false);
    EXPECT_EQ(page.touch(17, 17), -1);
}

TEST(HitTest, PointsOutsideTheParentNeverReachItsChildren) {
    Page page;
    page.button->setFrame(CGRectMake(45, 45, 20, 20));
    EXPECT_EQ(page.touch(58, 58), 3);
    EXPECT_EQ(page.touch(62, 62), 1) << "inside the button but outside the panel";
    EXPECT_EQ(page.touch(150, 5), -1);
}

TEST(HitTest, EdgesAtTheOriginAreInsideAndFarEdgesOutside) {
    Page page;
    EXPECT_EQ(page.touch(15, 15), 3);
    EXPECT_EQ(page.touch(24.999, 24.999), 3);
    EXPECT_EQ(page.touch(25, 20), 2);
    EXPECT_EQ(page.touch(60, 20), 1);
    EXPECT_EQ(page.touch(0, 0), 1);
    EXPECT_EQ(page.touch(100, 50), -1);
}

TEST(HitTest, TheTopmostChildWinsAndPointsAreInEachViewsOwnCoordinates) {
    Page page;
    auto cover = taggedView(4, CGRectMake(0, 0, 20, 20));
    page.panel->addSubview(cover.get());
    EXPECT_EQ(page.touch(17, 17), 4);
    EXPECT_EQ(page.root->hitTest(CGPoint{-5, -5}), nullptr);
    EXPECT_EQ(page.panel->hitTest(CGPoint{7, 7})->tag(), 4) << "(7, 7) in the panel's own space";

    page.panel->addSubview(page.button.get());
    EXPECT_EQ(page.touch(17, 17), 3) << "re-adding brought the button back to the top";
    EXPECT_EQ(page.touch(29, 29), 4);
}

} // namespace
