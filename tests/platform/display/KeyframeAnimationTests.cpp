// Timing curves and keyframe animations: what a layer shows at each moment.

#include "DisplayTestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using namespace display_testing;
using platform::CAKeyframeAnimation;
using platform::CAMediaTimingFunction;

// A point of the Bézier curve through (0, 0), the control points and (1, 1), in Bernstein form,
// independent of how the toolkit evaluates it.
platform::CGPoint bezierPoint(const CAMediaTimingFunction& function, double t) {
    auto p1 = function.controlPoint(1);
    auto p2 = function.controlPoint(2);
    double a = 3 * (1 - t) * (1 - t) * t;
    double b = 3 * (1 - t) * t * t;
    double c = t * t * t;
    return {a * p1.x + b * p2.x + c, a * p1.y + b * p2.y + c};
}

TEST(TimingFunction, OutOfRangeAndUnknownInputsStayWithinTheCurve) {
    auto easeInOut =
        CAMediaTimingFunction::functionWithName(platform::kCAMediaTimingFunctionEaseInEaseOut);
    EXPECT_EQ(easeInOut.evaluate(-0.5), 0);
    EXPECT_EQ(easeInOut.evaluate(1.5), 1);
    EXPECT_EQ(easeInOut.evaluate(std::numeric_limits<double>::quiet_NaN()), 0);

    auto unknown = CAMediaTimingFunction::functionWithName("bouncy");
    EXPECT_DOUBLE_EQ(unknown.evaluate(0.3), 0.3);
    auto broken =
        CAMediaTimingFunction::withControlPoints(std::numeric_limits<double>::infinity(), 0, 1, 1);
    EXPECT_DOUBLE_EQ(broken.evaluate(0.3), 0.3);
    auto clamped = CAMediaTimingFunction::withControlPoints(-1, 0, 2, 1);
    EXPECT_EQ(clamped.controlPoint(1).x, 0);
    EXPECT_EQ(clamped.controlPoint(2).x, 1);
}

TEST(TimingFunction, NamedCurvesHaveTheToolkitsControlPoints) {
    struct Expected {
        const char* name;
        double x1, y1, x2, y2;
    };
    for (auto expected : {Expected{platform::kCAMediaTimingFunctionEaseInEaseOut, 0.42, 0, 0.58, 1},
                          Expected{platform::kCAMediaTimingFunctionEaseIn, 0.42, 0, 1, 1},
                          Expected{platform::kCAMediaTimingFunctionEaseOut, 0, 0, 0.58, 1},
                          Expected{platform::kCAMediaTimingFunctionDefault, 0.25, 0.1, 0.25, 1},
                          Expected{platform::kCAMediaTimingFunctionLinear, 0, 0, 1, 1}}) {
        auto function = CAMediaTimingFunction::functionWithName(expected.name);
        EXPECT_EQ(function.controlPoint(0), (platform::CGPoint{0, 0})) << expected.name;
        EXPECT_EQ(function.controlPoint(1), (platform::CGPoint{expected.x1, expected.y1}));
        EXPECT_EQ(function.controlPoint(2), (platform::CGPoint{expected.x2, expected.y2}));
        EXPECT_EQ(function.controlPoint(3), (platform::CGPoint{1, 1}));
    }
}

TEST(TimingFunction, EvaluatesOnTheCurveIncludingFlatStretches) {
    // (1, 0, 0, 1) has a vertical tangent in its middle, where Newton's method cannot step.
    for (auto function :
         {CAMediaTimingFunction::functionWithName(platform::kCAMediaTimingFunctionEaseInEaseOut),
          CAMediaTimingFunction::functionWithName(platform::kCAMediaTimingFunctionEaseIn),
          CAMediaTimingFunction::functionWithName(platform::kCAMediaTimingFunctionEaseOut),
          CAMediaTimingFunction::functionWithName(platform::kCAMediaTimingFunctionDefault),
          CAMediaTimingFunction::withControlPoints(1, 0, 0, 1),
          CAMediaTimingFunction::withControlPoints(0, 1, 1, 0)}) {
        for (double t = 0.0; t <= 1.0; t += 1.0 / 64) {
            auto point = bezierPoint(function, t);
            EXPECT_NEAR(function.evaluate(point.x), point.y, 1e-6)
                << "t=" << t << " control " << function.controlPoint(1).x << ","
                << function.controlPoint(1).y;
        }
    }
}

TEST(TimingFunction, EaseInEaseOutIsSlowAtBothEndsAndSymmetric) {
    auto curve =
        CAMediaTimingFunction::functionWithName(platform::kCAMediaTimingFunctionEaseInEaseOut);
    EXPECT_NEAR(curve.evaluate(0.5), 0.5, 1e-9);
    EXPECT_LT(curve.evaluate(0.1), 0.03);
    EXPECT_GT(curve.evaluate(0.9), 0.97);
    double previous = 0;
    for (double x = 0.01; x < 1; x += 0.01) {
        EXPECT_NEAR(curve.evaluate(x) + curve.evaluate(1 - x), 1.0, 1e-6);
        EXPECT_GE(curve.evaluate(x), previous);
        previous = curve.evaluate(x);
    }
}

// A layer with contents of its own and three frames to animate through, at a clock that
// starts at 10 s.
class LayerAnimation : public ::testing::Test {
protected:
    void SetUp() override {
        platform::MainQueue::shared().reset();
        setClock(10);
        layer()->setContents(own);
    }
    void TearDown() override { platform::MainQueue::shared().reset(); }

    platform::CALayer* layer() const { return view->layer(); }

    // A linear animation of the three frames over 2 s, added now.
    platform::Ref<CAKeyframeAnimation> addFrames(const std::string& key = "animation") {
        auto animation = CAKeyframeAnimation::animationWithKeyPath("contents");
        animation->setValues({frames[0], frames[1], frames[2]});
        animation->setDuration(2);
        animation->setRepeatCount(1);
        animation->setRemovedOnCompletion(false);
        animation->setFillMode(platform::kCAFillModeForwards);
        customise(*animation);
        layer()->addAnimation(animation.get(), key);
        return animation;
    }
    std::function<void(CAKeyframeAnimation&)> customise = [](CAKeyframeAnimation&) {};

    // Which frames show at a time, as "own", "0", "1" or "0>1@0.25".
    std::string shownAt(double seconds) const {
        auto contents = layer()->contentsAtTime(seconds);
        auto name = [this](platform::CGImage* image) -> std::string {
            if (image == own.get())
                return "own";
            for (std::size_t index = 0; index < frames.size(); ++index) {
                if (image == frames[index].get())
                    return std::to_string(index);
            }
            return image ? "?" : "none";
        };
        if (!contents.to)
            return name(contents.from);
        char blend[16];
        std::snprintf(blend, sizeof blend, "%.3g", contents.blend);
        return name(contents.from) + ">" + name(contents.to) + "@" + blend;
    }

    platform::Ref<platform::UIView> view = taggedView(1);
    platform::Ref<platform::CGImage> own = solidImage(1, 1, {9, 9, 9, 255});
    std::vector<platform::Ref<platform::CGImage>> frames = {solidImage(1, 1, {0, 0, 0, 255}),
                                                            solidImage(1, 1, {1, 1, 1, 255}),
                                                            solidImage(1, 1, {2, 2, 2, 255})};
};

TEST_F(LayerAnimation, AddingStoresAStampedCopyAndStartsIt) {
    auto original = addFrames();
    auto* stored = layer()->animationForKey("animation");
    ASSERT_NE(stored, nullptr);
    EXPECT_NE(stored, original.get());
    EXPECT_DOUBLE_EQ(stored->beginTime(), 10.0);
    EXPECT_DOUBLE_EQ(original->beginTime(), 0.0) << "the caller's animation is left alone";

    original->setDuration(100);
    EXPECT_DOUBLE_EQ(stored->duration(), 2) << "later changes do not reach the copy";
    EXPECT_EQ(shownAt(10), "0");
}

TEST_F(LayerAnimation, ShowsItsOwnContentsBeforeTheBeginTimeAndAfterRemoval) {
    addFrames();
    EXPECT_EQ(shownAt(9.5), "own");
    layer()->removeAllAnimations();
    EXPECT_EQ(shownAt(11), "own");
    EXPECT_TRUE(layer()->animationKeys().empty());
}

TEST_F(LayerAnimation, BackwardsFillShowsTheFirstFrameBeforeTheBeginTime) {
    customise = [](CAKeyframeAnimation& animation) {
        animation.setFillMode(platform::kCAFillModeBoth);
    };
    addFrames();
    EXPECT_EQ(shownAt(9.5), "0");
    EXPECT_EQ(shownAt(13), "2");
}

TEST_F(LayerAnimation, LinearModeBlendsNeighbouringFramesByLocalProgress) {
    addFrames();
    EXPECT_EQ(shownAt(10.5), "0>1@0.5");
    EXPECT_EQ(shownAt(11), "1");
    EXPECT_EQ(shownAt(11.25), "1>2@0.25");
    EXPECT_EQ(shownAt(11.999), "1>2@0.999");
}

TEST_F(LayerAnimation, DiscreteModeShowsTheEarlierFrame) {
    customise = [](CAKeyframeAnimation& animation) {
        animation.setCalculationMode(platform::kCAAnimationDiscrete);
    };
    addFrames();
    EXPECT_EQ(shownAt(10.9), "0");
    EXPECT_EQ(shownAt(11.5), "1");
}

TEST_F(LayerAnimation, TheTimingFunctionPacesTheFrames) {
    customise = [](CAKeyframeAnimation& animation) {
        animation.setTimingFunction(
            CAMediaTimingFunction::functionWithName(platform::kCAMediaTimingFunctionEaseInEaseOut));
    };
    addFrames();
    // The curve passes (x, y) at parameter 0.25; at that share of the run the frames have
    // moved only y of the way.
    auto curve =
        CAMediaTimingFunction::functionWithName(platform::kCAMediaTimingFunctionEaseInEaseOut);
    auto point = bezierPoint(curve, 0.25);
    auto contents = layer()->contentsAtTime(10 + 2 * point.x);
    EXPECT_EQ(contents.from, frames[0].get());
    EXPECT_NEAR(contents.blend, point.y * 2, 1e-6);
    EXPECT_EQ(shownAt(11), "1") << "the middle of the run stays the middle";
}

TEST_F(LayerAnimation, EndStateDependsOnFillModeAndRemoval) {
    addFrames();
    EXPECT_EQ(shownAt(12), "2");
    EXPECT_EQ(shownAt(1000), "2") << "forwards fill without removal holds the last frame";

    customise = [](CAKeyframeAnimation& animation) { animation.setRemovedOnCompletion(true); };
    addFrames();
    EXPECT_EQ(shownAt(11.5), "1>2@0.5");
    EXPECT_EQ(shownAt(12), "own");

    customise = [](CAKeyframeAnimation& animation) {
        animation.setFillMode(platform::kCAFillModeRemoved);
    };
    addFrames();
    EXPECT_EQ(shownAt(12.5), "own");
}

TEST_F(LayerAnimation, RepeatCountsRunAgainAndZeroMeansOnce) {
    customise = [](CAKeyframeAnimation& animation) { animation.setRepeatCount(2); };
    addFrames();
    EXPECT_EQ(shownAt(12.5), "0>1@0.5");
    EXPECT_EQ(shownAt(14.5), "2");

    customise = [](CAKeyframeAnimation& animation) { animation.setRepeatCount(1.5f); };
    addFrames();
    EXPECT_EQ(shownAt(20), "1") << "a half run ends half-way and holds there";

    customise = [](CAKeyframeAnimation& animation) { animation.setRepeatCount(0); };
    addFrames();
    EXPECT_EQ(shownAt(12.5), "2");
}

TEST_F(LayerAnimation, UnusableDurationsPlayForAQuarterSecond) {
    for (double duration : {0.0, -3.0, std::numeric_limits<double>::quiet_NaN()}) {
        customise = [duration](CAKeyframeAnimation& animation) { animation.setDuration(duration); };
        addFrames();
        EXPECT_EQ(shownAt(10.0625), "0>1@0.5") << duration;
        EXPECT_EQ(shownAt(10.25), "2") << duration;
    }
}

TEST_F(LayerAnimation, OneValueShowsThroughoutAndNoValuesShowNothing) {
    customise = [this](CAKeyframeAnimation& animation) { animation.setValues({frames[1]}); };
    addFrames();
    EXPECT_EQ(shownAt(10), "1");
    EXPECT_EQ(shownAt(11.3), "1");
    EXPECT_EQ(shownAt(50), "1");

    customise = [](CAKeyframeAnimation& animation) { animation.setValues({nullptr, nullptr}); };
    addFrames();
    EXPECT_EQ(shownAt(11), "own");
}

TEST_F(LayerAnimation, TheLastAddedContentsAnimationWins) {
    addFrames("first");
    auto other = CAKeyframeAnimation::animationWithKeyPath("opacity");
    other->setValues({frames[2]});
    layer()->addAnimation(other.get(), "fade");
    EXPECT_EQ(shownAt(11), "1") << "animations of other properties draw nothing";

    setClock(11);
    customise = [this](CAKeyframeAnimation& animation) {
        animation.setValues({frames[0], frames[1]});
        animation.setRemovedOnCompletion(true);
    };
    addFrames("second");
    EXPECT_EQ(shownAt(11.5), "0>1@0.25");
    EXPECT_EQ(shownAt(13.5), "2") << "once the newer one is removed, the older one shows again";
    EXPECT_EQ(layer()->animationKeys(), (std::vector<std::string>{"first", "fade", "second"}));

    customise = [](CAKeyframeAnimation&) {};
    addFrames("first");
    EXPECT_EQ(layer()->animationKeys(), (std::vector<std::string>{"fade", "second", "first"}))
        << "a key added again replaces its animation and moves to the end";
    EXPECT_EQ(shownAt(11.5), "0>1@0.5");
}

TEST_F(LayerAnimation, RemovingAllReachesOnlyThatLayerAndFreesTheAnimations) {
    auto baseline = platform::viewStatistics().liveAnimations;
    auto child = taggedView(2);
    view->addSubview(child.get());
    addFrames();
    auto animation = CAKeyframeAnimation::animationWithKeyPath("contents");
    child->layer()->addAnimation(animation.get(), "animation");
    animation = nullptr;
    EXPECT_EQ(platform::viewStatistics().liveAnimations, baseline + 2);

    layer()->removeAllAnimations();
    EXPECT_EQ(platform::viewStatistics().liveAnimations, baseline + 1);
    EXPECT_NE(child->layer()->animationForKey("animation"), nullptr);
    EXPECT_EQ(frames[0]->referenceCount(), 1u) << "the frames go with the animation";
}

} // namespace
