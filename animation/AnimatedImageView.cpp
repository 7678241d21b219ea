#include "animation/AnimatedImageView.h"

#include "animation/FrameLoading.h"
#include "sequences/FrameListing.h"
#include "sequences/FrameOrdering.h"

namespace velorin {

namespace {

constexpr const char* animationKey = "animation";

} // namespace

Class AnimatedImageView::runtimeClass() {
    static Class cls = platform::registerViewSubclass("AnimatedImageView", platform::uiViewClass());
    return cls;
}

AnimatedImageView::AnimatedImageView(const platform::CGRect& frame)
    : UIView(runtimeClass(), frame) {
}

AnimatedImageView::~AnimatedImageView() = default;

Ref<AnimatedImageView> AnimatedImageView::initWithFrame(const platform::CGRect& frame) {
    return Ref<AnimatedImageView>::adopt(new AnimatedImageView(frame));
}

void AnimatedImageView::startAnimating() {
    animateImages();
}

void AnimatedImageView::stopAnimating() {
    layer()->removeAllAnimations();
}

std::vector<std::string>
AnimatedImageView::sortArrayByNumbersInString(const std::vector<std::string>& names) const {
    return velorin::sortArrayByNumbersInString(names);
}

void AnimatedImageView::animateImages() {
    // A folder that cannot be listed gives no names, and so a blank view below.
    std::vector<std::string> frameNames;
    if (imagesPath()) {
        if (auto listing = listSequenceFolder(*imagesPath()))
            frameNames = filterFrameNames(*listing);
    }
    auto orderedNames = sortArrayByNumbersInString(frameNames);

    std::vector<std::string> locations;
    locations.reserve(orderedNames.size());
    for (const auto& name : orderedNames)
        locations.push_back(frameLocation(imagesPath().value_or(""), name));

    // Frames that cannot be read or decoded are left out, so the list holds images only,
    // still in playing order.
    std::vector<Ref<platform::CGImage>> frames;
    frames.reserve(locations.size());
    for (const auto& location : locations) {
        if (auto image = loadFrame(location))
            frames.push_back(std::move(image));
    }

    auto size = frame().size;
    auto imageView =
        platform::UIImageView::initWithFrame(platform::CGRectMake(0, 0, size.width, size.height));
    addSubview(imageView.get());

    auto animation = platform::CAKeyframeAnimation::animationWithKeyPath("contents");
    animation->setCalculationMode(platform::kCAAnimationLinear);
    animation->setDuration(animationDuration());
    animation->setValues(std::move(frames));
    animation->setRepeatCount(1.0f);
    animation->setRemovedOnCompletion(false);
    animation->setFillMode(platform::kCAFillModeForwards);
    animation->setTimingFunction(platform::CAMediaTimingFunction::functionWithName(
        platform::kCAMediaTimingFunctionEaseInEaseOut));
    imageView->layer()->addAnimation(animation.get(), animationKey);
}

} // namespace velorin
