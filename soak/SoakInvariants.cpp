#include "soak/SoakInvariants.h"

#include <cstring>
#include <unordered_set>

namespace velorin::soak {

namespace {

// The tag the extension gives its container; the host reads it only to count containers.
constexpr long containerTag = 8966;
constexpr const char* animatedViewClass = "AnimatedImageView";

struct PageContents {
    LiveObjects reachable;
    std::unordered_set<const platform::CGImage*> images;
    std::size_t containers{0};
    std::size_t animatedViews{0};
    const platform::UIView* misplacedAnimatedView{nullptr};
};

bool isAnimatedView(const platform::UIView& view) {
    return std::strcmp(view.className(), animatedViewClass) == 0;
}

void countImage(PageContents& contents, const platform::CGImage* image) {
    if (image && contents.images.insert(image).second) {
        ++contents.reachable.images;
        contents.reachable.imageBytes += image->pixels().size();
    }
}

void walk(const platform::UIView& view, const platform::UIView& page, PageContents& contents) {
    ++contents.reachable.views;
    if (view.tag() == containerTag)
        ++contents.containers;
    if (isAnimatedView(view)) {
        ++contents.animatedViews;
        const platform::UIView* parent = view.superview();
        bool inContainer = parent && parent->tag() == containerTag && parent->superview() == &page;
        if (!inContainer)
            contents.misplacedAnimatedView = &view;
    }
    if (const platform::CALayer* layer = view.layer()) {
        ++contents.reachable.layers;
        countImage(contents, layer->contents());
        for (const std::string& key : layer->animationKeys()) {
            const platform::CAKeyframeAnimation* animation = layer->animationForKey(key);
            if (!animation)
                continue;
            ++contents.reachable.animations;
            for (const platform::Ref<platform::CGImage>& frame : animation->values())
                countImage(contents, frame.get());
        }
    }
    if (const auto* imageView = dynamic_cast<const platform::UIImageView*>(&view)) {
        if (const platform::UIImage* image = imageView->image())
            countImage(contents, image->CGImage());
    }
    for (const platform::Ref<platform::UIView>& child : view.subviews())
        walk(*child, page, contents);
}

std::string unreachable(const LiveObjects& alive, const LiveObjects& reachable) {
    auto field = [](const char* name, std::size_t live, std::size_t seen) {
        return std::string(name) + " " + std::to_string(live) + " alive, " + std::to_string(seen) +
               " reachable";
    };
    std::string text;
    auto add = [&](const char* name, std::size_t live, std::size_t seen) {
        if (live == seen)
            return;
        if (!text.empty())
            text += "; ";
        text += field(name, live, seen);
    };
    add("views", alive.views, reachable.views);
    add("layers", alive.layers, reachable.layers);
    add("animations", alive.animations, reachable.animations);
    add("decoded images", alive.images, reachable.images);
    add("decoded bytes", alive.imageBytes, reachable.imageBytes);
    return text;
}

LiveObjects minus(const LiveObjects& total, const LiveObjects& part) {
    auto less = [](std::size_t whole, std::size_t some) { return whole > some ? whole - some : 0; };
    return {less(total.views, part.views), less(total.layers, part.layers),
            less(total.animations, part.animations), less(total.images, part.images),
            less(total.imageBytes, part.imageBytes)};
}

} // namespace

const char* describe(Invariant invariant) {
    switch (invariant) {
    case Invariant::OneAnimatedView:
        return "at most one animated view";
    case Invariant::AnimatedViewInContainer:
        return "the animated view only in the current container";
    case Invariant::OneContainer:
        return "at most one container on the page";
    case Invariant::OneActingEnd:
        return "at most one pending end of a showing that can still act";
    case Invariant::KeepAwakeOnlyOnPower:
        return "the keep-awake hold never set while the device is off power";
    case Invariant::NothingUnreachable:
        return "no view or decoded image alive that nothing on the page or in a pending showing "
               "can reach";
    }
    return "?";
}

LiveObjects LiveObjects::now() {
    platform::ViewStatistics views = platform::viewStatistics();
    platform::ImageStatistics images = platform::imageStatistics();
    return {views.liveViews, views.liveLayers, views.liveAnimations, images.liveImages,
            images.liveBytes};
}

std::optional<InvariantBreach> checkPage(const platform::UIView& page,
                                         const LiveObjects& alreadyAlive, OffPageObjects offPage) {
    PageContents contents;
    walk(page, page, contents);
    if (contents.containers > 1)
        return InvariantBreach{Invariant::OneContainer,
                               std::to_string(contents.containers) + " containers on the page"};
    if (contents.animatedViews > 1)
        return InvariantBreach{Invariant::OneAnimatedView,
                               std::to_string(contents.animatedViews) + " animated views"};
    if (contents.misplacedAnimatedView)
        return InvariantBreach{Invariant::AnimatedViewInContainer,
                               "an animated view outside the container on the page"};
    if (offPage == OffPageObjects::Allowed)
        return std::nullopt;
    LiveObjects alive = minus(LiveObjects::now(), alreadyAlive);
    if (alive != contents.reachable)
        return InvariantBreach{Invariant::NothingUnreachable,
                               unreachable(alive, contents.reachable)};
    return std::nullopt;
}

std::optional<InvariantBreach> checkNothingLeft(const LiveObjects& alreadyAlive) {
    LiveObjects alive = minus(LiveObjects::now(), alreadyAlive);
    if (alive != LiveObjects{})
        return InvariantBreach{Invariant::NothingUnreachable,
                               "after the host was torn down: " + unreachable(alive, {})};
    return std::nullopt;
}

} // namespace velorin::soak
