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

class VELORIN_EXPORT UIView : public Object {
public:
    // `initWithFrame:`: a new, unattached view.
    static Ref<UIView> initWithFrame(const CGRect& frame);
    ~UIView() override;

    CGRect frame() const { return m_frame; }
    void setFrame(const CGRect& frame) { m_frame = frame; }
    CGRect bounds() const { return CGRect{{0, 0}, m_frame.size}; }

    double alpha() const { return m_alpha; }
    // Clamped to [0, 1]; not a number counts as 0. Reported to the display observer on every
    // call, changed or not.
    void setAlpha(double alpha);
    UIColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const UIColor& color) { m_backgroundColor = color; }
    long tag() const { return m_tag; }
    void setTag(long tag) { m_tag = tag; }
    bool isUserInteractionEnabled() const { return m_userInteractionEnabled; }
    void setUserInteractionEnabled(bool enabled) { m_userInteractionEnabled = enabled; }
    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden) { m_hidden = hidden; }

    // Attaches `view` as the topmost child, taking it from any former parent (reported as a
    // detach, then an attach). A view that is already a child moves to the top and is
    // reported as attached again. Adding none, the view itself or one of its own ancestors
    // does nothing.
    void addSubview(UIView* view);
    // Detaches the view from its parent; harmless (and unreported) on a detached view. The
    // parent's reference goes, so the view may be destroyed before this returns to a caller
    // that holds no reference of its own.
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
    // For subclasses: `cls` is the runtime class the view presents (see registerViewSubclass).
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
class VELORIN_EXPORT UIImageView final : public UIView {
public:
    static Ref<UIImageView> initWithFrame(const CGRect& frame);
    ~UIImageView() override;

    // Shows the image in the layer; none clears it.
    void setImage(Ref<UIImage> image);
    UIImage* image() const { return m_image.get(); }

private:
    explicit UIImageView(const CGRect& frame);
    Ref<UIImage> m_image;
};

// The runtime classes of the toolkit, registered on first use (found by name when something
// registered them already).
VELORIN_EXPORT Class uiViewClass();
VELORIN_EXPORT Class uiImageViewClass();
// Registers (once) a toolkit subclass by name, for classes that derive from UIView in C++;
// answers the class already registered under that name on later calls. Without a superclass
// the subclass derives from UIView.
VELORIN_EXPORT Class registerViewSubclass(const char* name, Class superclass);

// Hears what happens to views and layers, for tracing. Calls come after the change they
// report, except `viewDestroyed`, which comes as destruction begins: the view's class and
// frame can still be read then, but the observer must not keep the pointer.
class VELORIN_EXPORT DisplayObserver {
public:
    virtual ~DisplayObserver() = default;
    virtual void viewCreated(UIView*) {}
    virtual void viewAttached(UIView* /*view*/, UIView* /*parent*/) {}
    // Only for a view that had a parent. A parent's destruction drops its children's link to
    // it without reporting them as detached.
    virtual void viewDetached(UIView*) {}
    virtual void viewDestroyed(UIView*) {}
    virtual void alphaChanged(UIView*, double) {}
    virtual void animationAdded(CALayer*, CAKeyframeAnimation*) {}
};
VELORIN_EXPORT void setDisplayObserver(DisplayObserver* observer);
VELORIN_EXPORT DisplayObserver* displayObserver();

// Live toolkit objects, for leak checks.
struct ViewStatistics {
    std::size_t liveViews{0};
    std::size_t liveLayers{0};
    std::size_t liveAnimations{0};
};
VELORIN_EXPORT ViewStatistics viewStatistics();

} // namespace platform
