#include "integration/LockScreenContainer.h"

#include "host/Boundary.h"
#include "integration/HookSlots.h"
#include "presentation/PresentationController.h"
#include "presentation/PresentationState.h"
#include "settings/Settings.h"

namespace velorin {

namespace {

bool resetPending = false;

void resetAndBuildContainer(id self);

} // namespace

void requestContainerReset() {
    resetPending = true;
}

bool containerResetPending() {
    return resetPending;
}

void resetLockScreenContainer() {
    resetPending = false;
}

void hookUpdateForPresentation(id self, SEL selector, id presentation) {
    // The extension's own steps are guarded alone, so the host's update runs whatever became
    // of them, and what the host's update throws goes back to the host.
    atBoundary([self] { resetAndBuildContainer(self); });
    if (IMP original = hookSlots().origUpdateForPresentation)
        callIMP<void, id>(original, self, selector, presentation);
}

namespace {

void resetAndBuildContainer(id self) {
    if (resetPending) {
        if (platform::UIView* container = containerView()) {
            // The container leaves the page with everything in it, a playing view included.
            container->removeFromSuperview();
            if (!settings().enabled) {
                setContainerView(nullptr);
                // Without a container every later decision stops before asking for power,
                // so a hold taken for an earlier showing would outlast the charger.
                releaseKeepAwake();
            }
        }
        resetPending = false;
    }
    auto* page = dynamic_cast<platform::UIView*>(self);
    // Whether to build is read after the reset step, at this moment.
    if (settings().enabled && page) {
        platform::Ref<platform::UIView> fresh = platform::UIView::initWithFrame(page->bounds());
        // A replaced container that is still attached is detached too, so the page never
        // holds more than one.
        if (platform::UIView* replaced = containerView())
            replaced->removeFromSuperview();
        setContainerView(fresh);
        fresh->setBackgroundColor(platform::UIColor::clearColor());
        fresh->setTag(containerTag);
        fresh->setAlpha(0.0);
        fresh->setUserInteractionEnabled(false);
        page->addSubview(fresh.get());
    }
}

} // namespace

} // namespace velorin
