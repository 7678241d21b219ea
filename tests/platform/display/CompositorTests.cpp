// The software compositor: blending, opacity down the tree, scale, and image stretching.
// How closely it follows the exact drawing on real pictures is tested with the preview's lock
// screen (tests/tools/preview/LockScreenPictureTests.cpp).

#include "DisplayTestSupport.h"
#include "platform/display/Compositor.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>

namespace {

using namespace display_testing;
using platform::CGRectMake;
using platform::RenderOptions;
using platform::UIColor;

constexpr UIColor white{1, 1, 1, 1};
constexpr UIColor red{1, 0, 0, 1};

platform::Ref<platform::CGImage> render(platform::UIView* root, double scale = 1, double time = 0,
                                        UIColor background = UIColor::clearColor()) {
    RenderOptions options;
    options.scale = scale;
    options.time = time;
    options.background = background;
    return platform::renderViewTree(root, options);
}

// Drawing in 8-bit levels rounds an exact half either way and filters with 7-bit weights, so
// where the exact answer falls between two levels either neighbour is right.
::testing::AssertionResult withinALevel(const Pixel& actual, const Pixel& expected) {
    for (std::size_t channel = 0; channel < 4; ++channel) {
        if (std::abs(int{actual[channel]} - int{expected[channel]}) > 1)
            return ::testing::AssertionFailure()
                   << "channel " << channel << " is " << int{actual[channel]} << ", expected "
                   << int{expected[channel]};
    }
    return ::testing::AssertionSuccess();
}

platform::Ref<platform::UIView> coloured(platform::CGRect frame, UIColor colour, double alpha = 1) {
    auto view = platform::UIView::initWithFrame(frame);
    view->setBackgroundColor(colour);
    view->setAlpha(alpha);
    return view;
}

TEST(Compositor, RefusesWhatItCannotDraw) {
    auto root = coloured(CGRectMake(0, 0, 10, 10), red);
    EXPECT_FALSE(render(nullptr));
    EXPECT_FALSE(render(root.get(), 0));
    EXPECT_FALSE(render(root.get(), -1));
    EXPECT_FALSE(render(root.get(), std::numeric_limits<double>::quiet_NaN()));

    root->setFrame(CGRectMake(0, 0, 4097, 1));
    EXPECT_FALSE(render(root.get(), 2)) << "8194 pixels is past the side limit";
    root->setFrame(CGRectMake(0, 0, 4096, 1));
    auto widest = render(root.get(), 2);
    ASSERT_TRUE(widest);
    EXPECT_EQ(widest->width(), platform::maximumImageSide);
}

TEST(Compositor, HalfTransparentRedOverWhite) {
    auto root = coloured(CGRectMake(0, 0, 4, 4), white);
    auto overlay = coloured(CGRectMake(1, 1, 2, 2), red, 0.5);
    root->addSubview(overlay.get());
    auto image = render(root.get());
    ASSERT_TRUE(image);
    EXPECT_EQ(pixelAt(*image, 0, 0), (Pixel{255, 255, 255, 255}));
    EXPECT_TRUE(withinALevel(pixelAt(*image, 1, 1), {255, 128, 128, 255}));

    // Over nothing, the result keeps straight colour with partial alpha.
    root->setBackgroundColor(UIColor::clearColor());
    image = render(root.get());
    EXPECT_EQ(pixelAt(*image, 2, 2), (Pixel{255, 0, 0, 128}));
    EXPECT_EQ(pixelAt(*image, 0, 0), (Pixel{0, 0, 0, 0}));
}

TEST(Compositor, OpacityMultipliesDownTheTreeAndHiddenViewsVanishWithTheirChildren) {
    auto root = coloured(CGRectMake(0, 0, 4, 4), white);
    auto parent = coloured(CGRectMake(0, 0, 4, 4), UIColor::clearColor(), 0.5);
    auto child = coloured(CGRectMake(0, 0, 2, 2), red, 0.5);
    root->addSubview(parent.get());
    parent->addSubview(child.get());
    auto image = render(root.get());
    EXPECT_EQ(pixelAt(*image, 0, 0), (Pixel{255, 191, 191, 255}));

    parent->setHidden(true);
    image = render(root.get());
    EXPECT_EQ(pixelAt(*image, 0, 0), (Pixel{255, 255, 255, 255}));

    // The root's own state counts too; the background stays.
    root->setHidden(true);
    image = render(root.get(), 1, 0, UIColor{0, 0, 1, 1});
    EXPECT_EQ(pixelAt(*image, 3, 3), (Pixel{0, 0, 255, 255}));
}

TEST(Compositor, ScalesPointsToPixelsAndCoversPartialPixels) {
    auto root = coloured(CGRectMake(100, 100, 20, 10), UIColor::clearColor());
    auto square = coloured(CGRectMake(5, 2, 5, 3), red);
    root->addSubview(square.get());
    auto image = render(root.get(), 2);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 40u) << "the root's own origin does not move the drawing";
    EXPECT_EQ(image->height(), 20u);
    EXPECT_EQ(pixelAt(*image, 9, 4)[3], 0);
    EXPECT_EQ(pixelAt(*image, 10, 4), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(*image, 19, 9), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(*image, 20, 9)[3], 0);
    EXPECT_EQ(pixelAt(*image, 19, 10)[3], 0);

    square->setFrame(CGRectMake(0.5, 0, 1, 1));
    image = render(root.get(), 1);
    EXPECT_EQ(pixelAt(*image, 0, 0), (Pixel{255, 0, 0, 128}));
    EXPECT_EQ(pixelAt(*image, 1, 0), (Pixel{255, 0, 0, 128}));
}

TEST(Compositor, StretchesImagesWithBilinearFilteringInPremultipliedSpace) {
    auto view = platform::UIImageView::initWithFrame(CGRectMake(0, 0, 4, 1));
    view->setImage(
        platform::UIImage::withCGImage(imageOf(2, 1, {{0, 0, 0, 255}, {255, 255, 255, 255}})));
    auto image = render(view.get());
    ASSERT_TRUE(image);
    EXPECT_EQ(pixelAt(*image, 0, 0), (Pixel{0, 0, 0, 255}));
    EXPECT_TRUE(withinALevel(pixelAt(*image, 1, 0), {64, 64, 64, 255}));
    EXPECT_TRUE(withinALevel(pixelAt(*image, 2, 0), {191, 191, 191, 255}));
    EXPECT_EQ(pixelAt(*image, 3, 0), (Pixel{255, 255, 255, 255}));

    // Filtering towards a transparent texel fades red out without darkening it.
    view->setImage(platform::UIImage::withCGImage(imageOf(2, 1, {{255, 0, 0, 255}, {0, 0, 0, 0}})));
    image = render(view.get());
    EXPECT_TRUE(withinALevel(pixelAt(*image, 1, 0), {255, 0, 0, 191}));
    EXPECT_TRUE(withinALevel(pixelAt(*image, 2, 0), {255, 0, 0, 64}));
}

TEST(Compositor, AnimatedFramesAreBlendedAtTheRenderTime) {
    platform::MainQueue::shared().reset();
    setClock(1);
    auto view = platform::UIImageView::initWithFrame(CGRectMake(0, 0, 2, 2));
    auto animation = platform::CAKeyframeAnimation::animationWithKeyPath("contents");
    animation->setValues(
        {solidImage(1, 1, {0, 0, 0, 255}), solidImage(3, 3, {255, 255, 255, 255})});
    animation->setDuration(1);
    animation->setRemovedOnCompletion(false);
    animation->setFillMode(platform::kCAFillModeForwards);
    view->layer()->addAnimation(animation.get(), "animation");
    platform::MainQueue::shared().reset();

    EXPECT_EQ(pixelAt(*render(view.get(), 1, 0.5), 0, 0)[3], 0) << "not begun yet";
    EXPECT_TRUE(withinALevel(pixelAt(*render(view.get(), 1, 1.25), 1, 1), {64, 64, 64, 255}));
    EXPECT_TRUE(withinALevel(pixelAt(*render(view.get(), 1, 1.5), 0, 0), {128, 128, 128, 255}));
    EXPECT_EQ(pixelAt(*render(view.get(), 1, 9), 0, 0), (Pixel{255, 255, 255, 255}));
}

TEST(Compositor, DrawsATreeOverThePixelsItIsGiven) {
    auto root = coloured(CGRectMake(0, 0, 2, 1), UIColor::clearColor());
    auto half = coloured(CGRectMake(0, 0, 1, 1), red, 0.5);
    root->addSubview(half.get());
    platform::PixelBytes pixels{0, 0, 255, 255, 0, 0, 255, 255};
    RenderOptions options;
    EXPECT_FALSE(platform::drawViewTree(root.get(), options, pixels, 3, 1)) << "another size";
    EXPECT_FALSE(platform::drawViewTree(nullptr, options, pixels, 2, 1));
    EXPECT_EQ(pixels, (platform::PixelBytes{0, 0, 255, 255, 0, 0, 255, 255}));

    ASSERT_TRUE(platform::drawViewTree(root.get(), options, pixels, 2, 1));
    EXPECT_TRUE(withinALevel({pixels[0], pixels[1], pixels[2], pixels[3]}, {128, 0, 128, 255}));
    EXPECT_EQ((Pixel{pixels[4], pixels[5], pixels[6], pixels[7]}), (Pixel{0, 0, 255, 255}));
}

TEST(Compositor, DrawImageTouchesOnlyItsDestination) {
    auto canvas = solidImage(4, 4, {0, 0, 255, 255});
    auto stamp = solidImage(1, 1, {255, 0, 0, 255});
    platform::drawImage(*canvas, *stamp, CGRectMake(-1, -1, 3, 3), 0.5);
    EXPECT_TRUE(withinALevel(pixelAt(*canvas, 1, 1), {128, 0, 128, 255}));
    EXPECT_EQ(pixelAt(*canvas, 2, 2), (Pixel{0, 0, 255, 255}));
    platform::drawImage(*canvas, *stamp, CGRectMake(10, 10, 3, 3), 1);
    platform::drawImage(*canvas, *stamp, CGRectMake(0, 0, 4, 4), 0);
    EXPECT_EQ(pixelAt(*canvas, 3, 3), (Pixel{0, 0, 255, 255}));
}

} // namespace
