// Layers, keyframe animations and timing functions of the display toolkit.
//
// A layer belongs to one view and holds animations by key. Adding an animation takes a copy,
// stamps its begin time from the main queue's clock and starts it at once. `contentsAtTime`
// tells what the layer shows at a time: the layer's own contents, or what a "contents"
// keyframe animation gives then (linear mode blends the two neighbouring frames by the local
// progress; fill mode forwards without removal holds the last frame after the end; before
// the begin time, or once removed, nothing).
#pragma once

#include "platform/display/Geometry.h"
#include "platform/display/Image.h"

#include <map>
#include <string>
#include <vector>

namespace platform {

class UIView;

inline constexpr const char* kCAAnimationLinear = "linear";
inline constexpr const char* kCAAnimationDiscrete = "discrete";
inline constexpr const char* kCAFillModeRemoved = "removed";
inline constexpr const char* kCAFillModeForwards = "forwards";
inline constexpr const char* kCAFillModeBackwards = "backwards";
inline constexpr const char* kCAFillModeBoth = "both";
inline constexpr const char* kCAMediaTimingFunctionLinear = "linear";
inline constexpr const char* kCAMediaTimingFunctionEaseIn = "easeIn";
inline constexpr const char* kCAMediaTimingFunctionEaseOut = "easeOut";
inline constexpr const char* kCAMediaTimingFunctionEaseInEaseOut = "easeInEaseOut";
inline constexpr const char* kCAMediaTimingFunctionDefault = "default";

// A cubic Bézier from (0, 0) to (1, 1) with two control points; linear by default.
class VELORIN_EXPORT CAMediaTimingFunction {
public:
    // The named functions; an unknown name gives linear.
    static CAMediaTimingFunction functionWithName(const std::string& name);
    // The x coordinates are clamped to [0, 1] so that the curve stays a function of time; a
    // coordinate that is not a number gives linear.
    static CAMediaTimingFunction withControlPoints(double x1, double y1, double x2, double y2);
    // The eased progress for a linear progress in [0, 1] (clamped outside it; not a number
    // counts as 0).
    double evaluate(double progress) const;
    // Point 0 is (0, 0), points 1 and 2 the control points, point 3 is (1, 1); any other
    // index gives (0, 0).
    CGPoint controlPoint(int index) const;

private:
    double m_x1{0}, m_y1{0}, m_x2{1}, m_y2{1};
};

// What a layer shows at one moment: an image, or a blend of two neighbouring frames.
// When not empty, `from` is always set; `to` is set only while two frames are blended.
struct LayerContents {
    CGImage* from{nullptr};
    CGImage* to{nullptr};
    // 0 shows `from` alone, 1 shows `to` alone.
    double blend{0};
    bool empty() const { return from == nullptr && to == nullptr; }
};

// An animation of one layer property through a list of values. Only "contents" is drawn.
class VELORIN_EXPORT CAKeyframeAnimation final : public Object {
public:
    static Ref<CAKeyframeAnimation> animationWithKeyPath(const std::string& keyPath);
    Ref<CAKeyframeAnimation> copy() const;
    ~CAKeyframeAnimation() override;

    const std::string& keyPath() const { return m_keyPath; }
    void setCalculationMode(const std::string& mode) { m_calculationMode = mode; }
    const std::string& calculationMode() const { return m_calculationMode; }
    // Seconds. Zero, negative or not a number plays as the toolkit's default of 0.25 s.
    void setDuration(double seconds) { m_duration = seconds; }
    double duration() const { return m_duration; }
    double effectiveDuration() const;
    // The animation shares the images; it holds a reference to each. None entries are
    // dropped, as the toolkit's value lists cannot hold them.
    void setValues(std::vector<Ref<CGImage>> values);
    const std::vector<Ref<CGImage>>& values() const { return m_values; }
    // Runs through the values; 0 (or not a number) means one run, infinity means forever, a
    // fraction ends part-way through the last run.
    void setRepeatCount(float count) { m_repeatCount = count; }
    float repeatCount() const { return m_repeatCount; }
    void setRemovedOnCompletion(bool removed) { m_removedOnCompletion = removed; }
    bool isRemovedOnCompletion() const { return m_removedOnCompletion; }
    void setFillMode(const std::string& mode) { m_fillMode = mode; }
    const std::string& fillMode() const { return m_fillMode; }
    void setTimingFunction(const CAMediaTimingFunction& function) { m_timingFunction = function; }
    const CAMediaTimingFunction& timingFunction() const { return m_timingFunction; }
    // Seconds on the main queue's clock; stamped when the animation is added to a layer.
    void setBeginTime(double seconds) { m_beginTime = seconds; }
    double beginTime() const { return m_beginTime; }

    // What the animation shows at `seconds`: empty when it shows nothing then (before its
    // begin time without backwards fill, after its end when removed on completion or not
    // filled forwards, or without values), so that the layer's own contents show through.
    LayerContents contentsAtTime(double seconds) const;

private:
    explicit CAKeyframeAnimation(std::string keyPath);
    std::string m_keyPath;
    std::string m_calculationMode{kCAAnimationLinear};
    double m_duration{0};
    std::vector<Ref<CGImage>> m_values;
    float m_repeatCount{0};
    bool m_removedOnCompletion{true};
    std::string m_fillMode{kCAFillModeRemoved};
    CAMediaTimingFunction m_timingFunction;
    double m_beginTime{0};
};

class VELORIN_EXPORT CALayer final : public Object {
public:
    ~CALayer() override;
    // Adds a copy of the animation under `key`, replacing one of the same key, begins it now.
    void addAnimation(CAKeyframeAnimation* animation, const std::string& key);
    void removeAllAnimations();
    void removeAnimationForKey(const std::string& key);
    CAKeyframeAnimation* animationForKey(const std::string& key) const;
    std::vector<std::string> animationKeys() const;

    void setContents(Ref<CGImage> image) { m_contents = std::move(image); }
    CGImage* contents() const { return m_contents.get(); }
    // What the layer shows at `seconds` on the main queue's clock: what its last-added
    // "contents" animation shows then, or else its own contents.
    LayerContents contentsAtTime(double seconds) const;

    // The view the layer backs; none once that view is gone.
    UIView* view() const { return m_view; }

private:
    friend class UIView;
    explicit CALayer(UIView* view);
    UIView* m_view;
    Ref<CGImage> m_contents;
    std::map<std::string, Ref<CAKeyframeAnimation>> m_animations;
    std::vector<std::string> m_order;
};

} // namespace platform
