#include "presentation/SequencePresenter.h"

#include "host/Boundary.h"
#include "presentation/PresentationController.h"
#include "presentation/PresentationState.h"
#include "sequences/SequenceDirectory.h"
#include "sequences/SequenceOptions.h"
#include "sequences/SequencePlacement.h"
#include "settings/Settings.h"

#include <span>

namespace velorin {

namespace {

float placeAndStart(ScreenState screen);

} // namespace

float handleBatteryOptionsAndAnimate(ScreenState screen) noexcept {
    try {
        return placeAndStart(screen);
    } catch (...) {
        // A fault while reading the options, listing or decoding counts as no view: the
        // showing goes on around an empty container, and its end is still queued.
        atBoundary([] { clearAnimationView(); });
        return SequencePlacement{}.animationDuration;
    }
}

namespace {

float placeAndStart(ScreenState screen) {
    platform::UIView* container = containerView();
    platform::CGRect containerFrame = container ? container->frame() : platform::CGRect{};
    std::optional<std::string> directory = sequenceDirectory(settings().sequenceName);

    std::optional<std::vector<std::uint8_t>> options;
    if (directory)
        options = readSequenceOptions(*directory);
    std::optional<std::span<const std::uint8_t>> optionsBytes;
    if (options)
        optionsBytes = std::span<const std::uint8_t>(*options);
    SequencePlacement placement =
        computePlacement(optionsBytes, containerFrame.size.width, containerFrame.size.height);

    callBatteryAnimationView(
        platform::CGRectMake(placement.x, placement.y, placement.width, placement.height),
        placement.animationDuration, std::move(directory), screen);
    return placement.animationDuration;
}

} // namespace

void callBatteryAnimationView(const platform::CGRect& frame, float duration,
                              std::optional<std::string> directory, ScreenState screen) {
    if (!screen.locked || screen.dim)
        return;
    platform::UIView* container = containerView();
    // A view with no container to hold it could never be seen, and would be left playing.
    if (!container)
        return;
    clearAnimationView();
    platform::Ref<AnimatedImageView> view = AnimatedImageView::initWithFrame(frame);
    if (!view)
        return;
    presentation::state().animationView = view;
    view->setAnimationDuration(static_cast<double>(duration));
    view->setImagesPath(std::move(directory));
    container->addSubview(view.get());
    view->startAnimating();
}

} // namespace velorin
