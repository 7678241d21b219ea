// Layers: the backing store of a view's displayed image and of its animations.
//
// A layer keeps its animations by key and remembers the order they were added in, since
// when two animations drive the same property the one added last is the one that shows.
// Adding an animation stores a copy, so the caller may go on changing or reusing its own.

#include "platform/MainQueue.h"
#include "platform/display/DisplayBookkeeping.h"
#include "platform/display/View.h"

#include <algorithm>

namespace platform {

// Layers are plain data to the runtime: they carry no class of their own.
CALayer::CALayer(UIView* view) : Object(nullptr), m_view(view) {
    display::countLayer(+1);
}

CALayer::~CALayer() {
    display::countLayer(-1);
}

void CALayer::addAnimation(CAKeyframeAnimation* animation, const std::string& key) {
    if (!animation)
        return;
    auto copy = animation->copy();
    copy->setBeginTime(MainQueue::shared().nowSeconds());
    removeAnimationForKey(key);
    m_animations.emplace(key, copy);
    m_order.push_back(key);
    if (auto* observer = displayObserver())
        observer->animationAdded(this, copy.get());
}

void CALayer::removeAllAnimations() {
    // Moved out first, so that images freed with the animations are freed after the layer is
    // already consistent.
    auto animations = std::move(m_animations);
    m_animations.clear();
    m_order.clear();
}

void CALayer::removeAnimationForKey(const std::string& key) {
    if (m_animations.erase(key) > 0)
        std::erase(m_order, key);
}

CAKeyframeAnimation* CALayer::animationForKey(const std::string& key) const {
    auto found = m_animations.find(key);
    return found == m_animations.end() ? nullptr : found->second.get();
}

std::vector<std::string> CALayer::animationKeys() const {
    return m_order;
}

LayerContents CALayer::contentsAtTime(double seconds) const {
    for (auto key = m_order.rbegin(); key != m_order.rend(); ++key) {
        const auto& animation = m_animations.at(*key);
        if (animation->keyPath() != "contents")
            continue;
        // An animation that shows nothing at this moment lets an earlier one show, as the
        // toolkit applies each active animation in turn over the layer's own value.
        auto shown = animation->contentsAtTime(seconds);
        if (!shown.empty())
            return shown;
    }
    return {m_contents.get(), nullptr, 0};
}

} // namespace platform
