#include "animation/AnimatedImageView.h"

#include "animation/DecodingBudget.h"
#include "animation/FrameDecoding.h"
#include "animation/FrameLoading.h"
#include "host/Boundary.h"
#include "sequences/FrameListing.h"
#include "sequences/FrameOrdering.h"

namespace velorin {

namespace {

constexpr const char* animationKey = "animation";

// Lists, orders and decodes the frames, then adds the child image view and its animation.
void installFrameAnimation(AnimatedImageView& view) {
    // A folder that cannot be listed gives no names, and so a blank view below.
    std::vector<std::string> frameNames;
    if (view.imagesPath()) {
        if (auto listing = listSequenceFolder(*view.imagesPath()))
            frameNames = filterFrameNames(*listing);
    }
    auto orderedNames = view.sortArrayByNumbersInString(frameNames);

    std::vector<std::string> locations;
    locations.reserve(orderedNames.size());
    for (const auto& name : orderedNames)
        locations.push_back(frameLocation(view.imagesPath().value_or(""), name));

    // Frames that cannot be read or decoded are left out, as are those past the budget, so
    // the list holds images only, still in playing order.
    std::vector<platform::Ref<platform::CGImage>> frames =
        decodeFramesWithinBudget(locations, showingMemoryBudgetBytes);

    auto size = view.frame().size;
    auto imageView =
        platform::UIImageView::initWithFrame(platform::CGRectMake(0, 0, size.width, size.height));
    view.addSubview(imageView.get());

    auto animation = platform::CAKeyframeAnimation::animationWithKeyPath("contents");
    animation->setCalculationMode(platform::kCAAnimationLinear);
    animation->setDuration(view.animationDuration());
    animation->setValues(std::move(frames));
    animation->setRepeatCount(1.0f);
    animation->setRemovedOnCompletion(false);
    animation->setFillMode(platform::kCAFillModeForwards);
    animation->setTimingFunction(platform::CAMediaTimingFunction::functionWithName(
        platform::kCAMediaTimingFunctionEaseInEaseOut));
    imageView->layer()->addAnimation(animation.get(), animationKey);
}

} // namespace

// The class is exported, so each of its operations is a way in from the host: none lets a
// throw out. A failure gives no view, no frames or no animation, as any other failure does.

Class AnimatedImageView::runtimeClass() noexcept {
    return atBoundary(
        [] {
            static Class cls =
                platform::registerViewSubclass("AnimatedImageView", platform::uiViewClass());
            return cls;
        },
        Class{nullptr});
}

AnimatedImageView::AnimatedImageView(const platform::CGRect& frame)
    : UIView(runtimeClass(), frame) {
}

AnimatedImageView::~AnimatedImageView() = default;

platform::Ref<AnimatedImageView>
AnimatedImageView::initWithFrame(const platform::CGRect& frame) noexcept {
    return atBoundary(
        [&frame] { return platform::Ref<AnimatedImageView>::adopt(new AnimatedImageView(frame)); },
        platform::Ref<AnimatedImageView>());
}

void AnimatedImageView::startAnimating() noexcept {
    animateImages();
}

void AnimatedImageView::stopAnimating() noexcept {
    atBoundary([this] { layer()->removeAllAnimations(); });
}

std::vector<std::string> AnimatedImageView::sortArrayByNumbersInString(
    const std::vector<std::string>& names) const noexcept {
    return atBoundary([&names] { return velorin::sortArrayByNumbersInString(names); },
                      std::vector<std::string>());
}

void AnimatedImageView::animateImages() noexcept {
    atBoundary([this] { installFrameAnimation(*this); });
}

} // namespace velorin
