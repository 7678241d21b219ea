#include "integration/LockScreenContainer.h"

#include "host/HostInterface.h"
#include "presentation/PresentationController.h"
#include "settings/Settings.h"

namespace velorin {

namespace {

Ref<platform::UIView>& currentContainer() {
    static Ref<platform::UIView> container;
    return container;
}

} // namespace

platform::UIView* containerView() {
    return currentContainer().get();
}

IMP& origUpdateForPresentation() {
    static IMP slot = nullptr;
    return slot;
}

void hookUpdateForPresentation(id self, SEL selector, id presentation) {
    Ref<platform::UIView>& container = currentContainer();
    Settings& record = settings();
    if (record.containerResetPending) {
        if (container) {
            // The container leaves the page with everything in it, a playing view included.
            container->removeFromSuperview();
            if (!record.enabled) {
                container = nullptr;
                // Without a container every later decision stops before asking for power,
                // so a hold taken for an earlier showing would outlast the charger.
                releaseKeepAwake();
            }
        }
        record.containerResetPending = false;
    }
    auto* page = dynamic_cast<platform::UIView*>(self);
    if (record.enabled && page) {
        Ref<platform::UIView> fresh = platform::UIView::initWithFrame(page->bounds());
        // A replaced container that is still attached is detached too, so the page never
        // holds more than one.
        if (container)
            container->removeFromSuperview();
        container = fresh;
        fresh->setBackgroundColor(platform::UIColor::clearColor());
        fresh->setTag(containerTag);
        fresh->setAlpha(0.0);
        fresh->setUserInteractionEnabled(false);
        page->addSubview(fresh.get());
    }
    if (IMP original = origUpdateForPresentation())
        callIMP<void, id>(original, self, selector, presentation);
}

} // namespace velorin
