// View trees: ownership, reparenting, what the observer hears, and the runtime classes.

#include "DisplayTestSupport.h"
#include "platform/Runtime.h"

#include <gtest/gtest.h>

namespace {

using namespace display_testing;
using platform::UIView;
using Lines = std::vector<std::string>;

std::vector<UIView*> childrenOf(const UIView& view) {
    std::vector<UIView*> children;
    for (const auto& child : view.subviews())
        children.push_back(child.get());
    return children;
}

TEST(ViewTree, RefusesNoneItselfAndItsOwnAncestors) {
    auto root = taggedView(1);
    auto middle = taggedView(2);
    auto leaf = taggedView(3);
    root->addSubview(middle.get());
    middle->addSubview(leaf.get());

    RecordingObserver observer;
    leaf->addSubview(root.get());
    leaf->addSubview(middle.get());
    middle->addSubview(middle.get());
    middle->addSubview(nullptr);

    EXPECT_TRUE(observer.lines.empty());
    EXPECT_EQ(root->superview(), nullptr);
    EXPECT_EQ(middle->superview(), root.get());
    EXPECT_EQ(leaf->superview(), middle.get());
    EXPECT_TRUE(leaf->subviews().empty());
    EXPECT_EQ(childrenOf(*middle), std::vector<UIView*>{leaf.get()});
}

TEST(ViewTree, RemovingADetachedViewIsHarmlessAndUnreported) {
    auto view = taggedView(1);
    RecordingObserver observer;
    view->removeFromSuperview();
    view->removeFromSuperview();
    EXPECT_TRUE(observer.lines.empty());
    EXPECT_EQ(view->referenceCount(), 1u);
}

TEST(ViewTree, AParentKeepsItsChildrenAliveUntilTheyAreRemoved) {
    auto baseline = platform::viewStatistics();
    auto parent = taggedView(1);
    UIView* child = nullptr;
    {
        auto made = taggedView(2);
        child = made.get();
        parent->addSubview(child);
    }
    EXPECT_EQ(platform::viewStatistics().liveViews, baseline.liveViews + 2);
    EXPECT_EQ(child->superview(), parent.get());

    RecordingObserver observer;
    child->removeFromSuperview();
    EXPECT_EQ(observer.lines, (Lines{"detached #2", "destroyed #2"}))
        << "the detach is reported while the view is still alive";
    EXPECT_TRUE(parent->subviews().empty());
    EXPECT_EQ(platform::viewStatistics().liveViews, baseline.liveViews + 1);
    EXPECT_EQ(platform::viewStatistics().liveLayers, baseline.liveLayers + 1);
}

TEST(ViewTree, DestroyingAParentClearsItsChildrenLinksWithoutReportingDetaches) {
    auto child = taggedView(2);
    auto grandchild = taggedView(3);
    child->addSubview(grandchild.get());
    {
        auto parent = taggedView(1);
        parent->addSubview(child.get());
        RecordingObserver observer;
        parent = nullptr;
        EXPECT_EQ(observer.lines, Lines{"destroyed #1"});
    }
    EXPECT_EQ(child->superview(), nullptr);
    EXPECT_EQ(grandchild->superview(), child.get()) << "only the direct link goes";
    EXPECT_EQ(child->referenceCount(), 1u);

    // The orphan can be attached again as a new child.
    auto adopter = taggedView(4);
    adopter->addSubview(child.get());
    EXPECT_EQ(child->superview(), adopter.get());
}

TEST(ViewTree, AddingTakesAViewFromItsFormerParentAndPutsItOnTop) {
    auto first = taggedView(1);
    auto second = taggedView(2);
    auto moving = taggedView(3);
    auto resident = taggedView(4);
    first->addSubview(moving.get());
    second->addSubview(resident.get());

    RecordingObserver observer;
    second->addSubview(moving.get());
    EXPECT_EQ(observer.lines, (Lines{"detached #3", "attached #3 to #2"}));
    EXPECT_TRUE(first->subviews().empty());
    EXPECT_EQ(childrenOf(*second), (std::vector<UIView*>{resident.get(), moving.get()}));
    EXPECT_EQ(moving->superview(), second.get());
    EXPECT_EQ(moving->referenceCount(), 2u) << "one reference from the test, one from the parent";
}

TEST(ViewTree, AddingAChildAgainMovesItToTheTopWithoutADetach) {
    auto parent = taggedView(1);
    auto lower = taggedView(2);
    auto upper = taggedView(3);
    parent->addSubview(lower.get());
    parent->addSubview(upper.get());

    RecordingObserver observer;
    parent->addSubview(lower.get());
    EXPECT_EQ(observer.lines, Lines{"attached #2 to #1"});
    EXPECT_EQ(childrenOf(*parent), (std::vector<UIView*>{upper.get(), lower.get()}));
    EXPECT_EQ(lower->referenceCount(), 2u);
}

TEST(ViewTree, ReportsCreationAlphaAndAnimationsInOrder) {
    RecordingObserver observer;
    auto view = platform::UIImageView::initWithFrame(platform::CGRectMake(0, 0, 4, 4));
    view->setTag(7);
    view->setAlpha(1.0);
    view->setAlpha(1.0);
    view->setAlpha(2.5);
    view->setAlpha(-1);
    auto animation = platform::CAKeyframeAnimation::animationWithKeyPath("contents");
    view->layer()->addAnimation(animation.get(), "animation");
    view = nullptr;
    EXPECT_EQ(observer.lines,
              (Lines{"created #0", "alpha #7 1.00", "alpha #7 1.00", "alpha #7 1.00",
                     "alpha #7 0.00", "animation on #7", "destroyed #7"}))
        << "every call is reported, with the value clamped to [0, 1]";
}

TEST(ViewTree, ALayerOutlivingItsViewForgetsIt) {
    platform::Ref<platform::CALayer> layer;
    {
        auto view = taggedView(1);
        layer = platform::Ref<platform::CALayer>(view->layer());
        EXPECT_EQ(layer->view(), view.get());
    }
    EXPECT_EQ(layer->view(), nullptr);
}

TEST(ViewClasses, ViewsAreRuntimeObjectsOfTheToolkitsClasses) {
    auto view = taggedView(1);
    auto imageView = platform::UIImageView::initWithFrame({});
    EXPECT_STREQ(view->className(), "UIView");
    EXPECT_STREQ(imageView->className(), "UIImageView");
    EXPECT_EQ(objc_getClass("UIView"), platform::uiViewClass());
    EXPECT_EQ(class_getSuperclass(platform::uiImageViewClass()), platform::uiViewClass());
    EXPECT_EQ(object_getClass(imageView.get()), platform::uiImageViewClass());
}

TEST(ViewClasses, ASubclassIsRegisteredOnceUnderItsName) {
    Class subclass = platform::registerViewSubclass("DisplayTestsCustomView", nullptr);
    ASSERT_NE(subclass, nullptr);
    EXPECT_EQ(platform::registerViewSubclass("DisplayTestsCustomView", nullptr), subclass);
    EXPECT_EQ(class_getSuperclass(subclass), platform::uiViewClass());
    EXPECT_TRUE(class_isSubclassOf(subclass, platform::uiViewClass()));

    Class deeper = platform::registerViewSubclass("DisplayTestsDeeperView", subclass);
    EXPECT_EQ(class_getSuperclass(deeper), subclass);
}

TEST(ImageView, ShowsItsImageThroughItsLayer) {
    auto image = solidImage(2, 2, {255, 0, 0, 255});
    auto imageView = platform::UIImageView::initWithFrame(platform::CGRectMake(0, 0, 2, 2));
    imageView->setImage(platform::UIImage::withCGImage(image));
    EXPECT_EQ(imageView->layer()->contents(), image.get());
    imageView->setImage(nullptr);
    EXPECT_EQ(imageView->layer()->contents(), nullptr);
    EXPECT_EQ(image->referenceCount(), 1u);
}

} // namespace
