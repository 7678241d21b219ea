// Views: a tree of rectangles, each with its own layer.
//
// A parent holds a strong reference to each attached child and the child a plain pointer back
// to its parent, so that a tree is kept alive from its root and no cycle forms. When a parent
// is destroyed it clears its children's back links before letting them go, so no child is
// ever left pointing at a destroyed parent.

#include "platform/display/View.h"

#include "platform/Runtime.h"
#include "platform/display/DisplayBookkeeping.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// Views that are this transparent are treated as invisible to touches, as on the toolkit.
constexpr double minimumTouchableAlpha = 0.01;

Class findOrRegisterClass(const char* name, Class superclass) {
    if (Class existing = objc_getClass(name))
        return existing;
    return objc_allocateClass(name, superclass);
}

} // namespace

Class uiViewClass() {
    return findOrRegisterClass("UIView", objc_getClass("NSObject"));
}

Class uiImageViewClass() {
    return findOrRegisterClass("UIImageView", uiViewClass());
}

Class registerViewSubclass(const char* name, Class superclass) {
    return findOrRegisterClass(name, superclass ? superclass : uiViewClass());
}

Ref<UIView> UIView::initWithFrame(const CGRect& frame) {
    return Ref<UIView>::adopt(new UIView(uiViewClass(), frame));
}

UIView::UIView(Class cls, const CGRect& frame)
    : Object(cls), m_frame(frame), m_layer(Ref<CALayer>::adopt(new CALayer(this))) {
    display::countView(+1);
    if (auto* observer = displayObserver())
        observer->viewCreated(this);
}

UIView::~UIView() {
    if (auto* observer = displayObserver())
        observer->viewDestroyed(this);
    for (auto& child : m_subviews)
        child->m_superview = nullptr;
    // Children are released one by one from a list that is no longer ours, so that a child's
    // destruction never sees this view's list half cleared.
    auto children = std::move(m_subviews);
    m_subviews.clear();
    children.clear();
    m_layer->m_view = nullptr;
    display::countView(-1);
}

void UIView::setAlpha(double alpha) {
    m_alpha = std::isnan(alpha) ? 0.0 : std::clamp(alpha, 0.0, 1.0);
    if (auto* observer = displayObserver())
        observer->alphaChanged(this, m_alpha);
}

void UIView::addSubview(UIView* view) {
    if (!view)
        return;
    for (UIView* ancestor = this; ancestor; ancestor = ancestor->m_superview) {
        if (ancestor == view)
            return;
    }
    Ref<UIView> keepAlive(view);
    if (view->m_superview == this) {
        std::erase(m_subviews, keepAlive);
        m_subviews.push_back(keepAlive);
        if (auto* observer = displayObserver())
            observer->viewAttached(view, this);
        return;
    }
    view->removeFromSuperview();
    view->m_superview = this;
    m_subviews.push_back(keepAlive);
    if (auto* observer = displayObserver())
        observer->viewAttached(view, this);
}

void UIView::removeFromSuperview() {
    UIView* parent = m_superview;
    if (!parent)
        return;
    // Our parent's reference may be the last one; keep this view alive until we are done.
    Ref<UIView> keepAlive(this);
    m_superview = nullptr;
    std::erase(parent->m_subviews, keepAlive);
    if (auto* observer = displayObserver())
        observer->viewDetached(this);
}

UIView* UIView::hitTest(CGPoint point) {
    if (m_hidden || !m_userInteractionEnabled || m_alpha < minimumTouchableAlpha)
        return nullptr;
    if (!bounds().contains(point))
        return nullptr;
    for (auto child = m_subviews.rbegin(); child != m_subviews.rend(); ++child) {
        CGPoint local{point.x - (*child)->m_frame.origin.x, point.y - (*child)->m_frame.origin.y};
        if (UIView* hit = (*child)->hitTest(local))
            return hit;
    }
    return this;
}

const char* UIView::className() const {
    return class_getName(isa());
}

} // namespace platform
