// Every showing passes through here: the chosen sequence's folder and options give the
// animated view's place, size and run length, and a new view replaces the current one.
#include "integration/LockScreenContainer.h"
#include "integration/Velorin.h"
#include "platform/DeviceFileSystem.h"
#include "presentation/PresentationController.h"
#include "sequences/SequenceDirectory.h"
#include "sequences/SequencePlacement.h"
#include "settings/Settings.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

using namespace velorin;

extern "C" unsigned char* getBatteryAnimationData(const char* directory, size_t* length) {
    if (length)
        *length = 0;
    if (!directory)
        return nullptr;
    auto bytes = platform::dataWithContentsOfFile(std::string(directory) + "options.json");
    if (!bytes)
        return nullptr;
    // One byte more than needed, so that an empty file still gives bytes rather than none.
    auto* copy = static_cast<unsigned char*>(std::malloc(bytes->size() + 1));
    if (!copy)
        return nullptr;
    if (!bytes->empty())
        std::memcpy(copy, bytes->data(), bytes->size());
    if (length)
        *length = bytes->size();
    return copy;
}

extern "C" float handleBatteryOptionsAndAnimate(bool locked, bool dim) {
    platform::UIView* container = containerView();
    platform::CGRect containerFrame = container ? container->frame() : platform::CGRect{};
    std::optional<std::string> directory = sequenceDirectory(settings().sequenceName);

    std::optional<std::span<const std::uint8_t>> optionsBytes;
    size_t length = 0;
    unsigned char* bytes =
        directory ? getBatteryAnimationData(directory->c_str(), &length) : nullptr;
    if (bytes)
        optionsBytes = std::span<const std::uint8_t>(bytes, length);
    SequencePlacement placement =
        computePlacement(optionsBytes, containerFrame.size.width, containerFrame.size.height);
    std::free(bytes);

    VelorinRect frame{placement.x, placement.y, placement.width, placement.height};
    callBatteryAnimationView(frame, placement.animationDuration,
                             directory ? directory->c_str() : nullptr, locked, dim);
    return placement.animationDuration;
}

extern "C" void callBatteryAnimationView(VelorinRect frame, float duration, const char* directory,
                                         bool locked, bool dim) {
    if (!locked || dim)
        return;
    platform::UIView* container = containerView();
    // A view with no container to hold it could never be seen, and would be left playing.
    if (!container)
        return;
    dropAnimationView();
    Ref<AnimatedImageView> view = AnimatedImageView::initWithFrame(
        platform::CGRectMake(frame.x, frame.y, frame.width, frame.height));
    animationView() = view;
    view->setAnimationDuration(static_cast<double>(duration));
    if (directory)
        view->setImagesPath(directory);
    container->addSubview(view.get());
    view->startAnimating();
}
