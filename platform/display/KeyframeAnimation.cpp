// Keyframe animations of a layer's displayed image.
//
// Timing follows the toolkit's model: the animation is active from its begin time for
// duration × repeat count seconds. Within one run the elapsed fraction is paced by the timing
// function, and the n values are spread evenly over the paced progress (value k is reached at
// k / (n − 1)). Linear calculation blends the two neighbouring values by how far the progress
// lies between them; discrete shows the earlier one. Outside the active time the fill mode and
// removal decide whether the animation shows its first or last state or nothing.

#include "platform/display/DisplayBookkeeping.h"
#include "platform/display/Layer.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// The toolkit plays an animation without a usable duration for a quarter second.
constexpr double defaultDuration = 0.25;

bool fillsForwards(const std::string& mode) {
    return mode == kCAFillModeForwards || mode == kCAFillModeBoth;
}

bool fillsBackwards(const std::string& mode) {
    return mode == kCAFillModeBackwards || mode == kCAFillModeBoth;
}

} // namespace

Ref<CAKeyframeAnimation> CAKeyframeAnimation::animationWithKeyPath(const std::string& keyPath) {
    return Ref<CAKeyframeAnimation>::adopt(new CAKeyframeAnimation(keyPath));
}

// Animations are plain data to the runtime: they carry no class of their own.
CAKeyframeAnimation::CAKeyframeAnimation(std::string keyPath)
    : Object(nullptr), m_keyPath(std::move(keyPath)) {
    display::countAnimation(+1);
}

CAKeyframeAnimation::~CAKeyframeAnimation() {
    display::countAnimation(-1);
}

Ref<CAKeyframeAnimation> CAKeyframeAnimation::copy() const {
    auto duplicate = animationWithKeyPath(m_keyPath);
    duplicate->m_calculationMode = m_calculationMode;
    duplicate->m_duration = m_duration;
    duplicate->m_values = m_values;
    duplicate->m_repeatCount = m_repeatCount;
    duplicate->m_removedOnCompletion = m_removedOnCompletion;
    duplicate->m_fillMode = m_fillMode;
    duplicate->m_timingFunction = m_timingFunction;
    duplicate->m_beginTime = m_beginTime;
    return duplicate;
}

void CAKeyframeAnimation::setValues(std::vector<Ref<CGImage>> values) {
    std::erase_if(values, [](const Ref<CGImage>& value) { return !value; });
    m_values = std::move(values);
}

double CAKeyframeAnimation::effectiveDuration() const {
    if (std::isnan(m_duration) || m_duration <= 0)
        return defaultDuration;
    return m_duration;
}

LayerContents CAKeyframeAnimation::contentsAtTime(double seconds) const {
    if (m_values.empty() || std::isnan(seconds))
        return {};
    double duration = effectiveDuration();
    double runs = (std::isnan(m_repeatCount) || m_repeatCount <= 0) ? 1.0 : m_repeatCount;
    double elapsed = seconds - m_beginTime;

    // The fraction of one run, before pacing, at which the animation stands.
    double fraction = 0;
    if (elapsed < 0) {
        if (!fillsBackwards(m_fillMode))
            return {};
        fraction = 0;
    } else if (elapsed < duration * runs) {
        fraction = std::fmod(elapsed, duration) / duration;
    } else {
        if (m_removedOnCompletion || !fillsForwards(m_fillMode))
            return {};
        // The end state: the end of the last run, or part-way through it for a fractional
        // repeat count.
        double partial = runs - std::floor(runs);
        fraction = partial > 0 ? partial : 1.0;
    }

    std::size_t count = m_values.size();
    if (count == 1)
        return {m_values.front().get(), nullptr, 0};

    double progress = std::clamp(m_timingFunction.evaluate(fraction), 0.0, 1.0);
    double position = progress * static_cast<double>(count - 1);
    auto index = std::min(static_cast<std::size_t>(position), count - 1);
    double between = position - static_cast<double>(index);
    if (index == count - 1 || between <= 0 || m_calculationMode == kCAAnimationDiscrete)
        return {m_values[index].get(), nullptr, 0};
    return {m_values[index].get(), m_values[index + 1].get(), between};
}

} // namespace platform
