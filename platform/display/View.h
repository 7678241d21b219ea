// Views of the display toolkit (`UIView`, `UIImageView`) and their layers.
//
// A view has a frame in its parent's coordinates, bounds at origin (0, 0), opacity, a
// background colour, a tag, a user-interaction switch, a hidden switch, an ordered list of
// children (last is topmost) and a weak link to its parent. A parent keeps its attached
// children alive. Every view is also a runtime object of class "UIView" or a subclass, so
// that host classes can derive from the toolkit's classes. Views and animations report what
// happens to them to the display observer, if one is set.
#pragma once

#include "platform/display/Geometry.h"
#include "platform/display/Layer.h"

#include <vector>

namespace platform {

class PLATFORM_API UIView : public Object {
public:
    // `initWithFrame:`: a new, unattached view.
    static Ref<UIView> initWithFrame(const CGRect& frame);
    ~UIView() override;

    CGRect frame() const { return m_frame; }
    void setFrame(const CGRect& frame) { m_frame = frame; }
    CGRect bounds() const { return CGRect{{0, 0}, m_frame.size}; }

    double alpha() const { return m_alpha; }
    void setAlpha(double alpha);
    UIColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const UIColor& color) { m_backgroundColor = color; }
    long tag() const { return m_tag; }
    void setTag(long tag) { m_tag = tag; }
    bool isUserInteractionEnabled() const { return m_userInteractionEnabled; }
    void setUserInteractionEnabled(bool enabled) { m_userInteractionEnabled = enabled; }
    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden) { m_hidden = hidden; }

    // Attaches `view` as the topmost child, taking it from any former parent. Adding a view
    // to itself or to one of its own descendants does nothing.
    void addSubview(UIView* view);
    // Detaches the view from its parent; harmless on a detached view.
    void removeFromSuperview();
    UIView* superview() const { return m_superview; }
    const std::vector<Ref<UIView>>& subviews() const { return m_subviews; }

    CALayer* layer() const { return m_layer.get(); }

    // The deepest view that takes a touch at `point` (in this view's coordinates), or none.
    // A view that is hidden, has user interaction off or an alpha under 0.01 never takes a
    // touch, and neither do its children.
    UIView* hitTest(CGPoint point);

    // The runtime class name: "UIView", "UIImageView", or a subclass's.
    const char* className() const;

protected:
    UIView(Class cls, const CGRect& frame);

private:
    CGRect m_frame;
    double m_alpha{1.0};
    UIColor m_backgroundColor{UIColor::clearColor()};
    long m_tag{0};
    bool m_userInteractionEnabled{true};
    bool m_hidden{false};
    UIView* m_superview{nullptr};
    std::vector<Ref<UIView>> m_subviews;
    Ref<CALayer> m_layer;
};

// A view whose layer shows an image, stretched to fill its bounds.
class PLATFORM_API UIImageView final : public UIView {
public:
    static Ref<UIImageView> initWithFrame(const CGRect& frame);

private:
    explicit UIImageView(const CGRect& frame);
};

// The runtime classes of the toolkit, registered on first use.
PLATFORM_API Class uiViewClass();
PLATFORM_API Class uiImageViewClass();
// Registers (once) a toolkit subclass by name, for classes that derive from UIView in C++.
PLATFORM_API Class registerViewSubclass(const char* name, Class superclass);

// Hears what happens to views and layers, for tracing.
class PLATFORM_API DisplayObserver {
public:
    virtual ~DisplayObserver() = default;
    virtual void viewCreated(UIView*) {}
    virtual void viewAttached(UIView* /*view*/, UIView* /*parent*/) {}
    virtual void viewDetached(UIView*) {}
    virtual void viewDestroyed(UIView*) {}
    virtual void alphaChanged(UIView*, double) {}
    virtual void animationAdded(CALayer*, CAKeyframeAnimation*) {}
};
PLATFORM_API void setDisplayObserver(DisplayObserver* observer);
PLATFORM_API DisplayObserver* displayObserver();

struct ViewStatistics {
    std::size_t liveViews{0};
    std::size_t liveLayers{0};
    std::size_t liveAnimations{0};
};
PLATFORM_API ViewStatistics viewStatistics();

} // namespace platform
