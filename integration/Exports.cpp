// The functions libvelorin.so exports to C callers, each a thin wrapper over the extension's
// own C++ functions. Nothing inside the library calls these; they exist for the host and for
// outside programs. None lets a throw out: a failure does nothing, or gives none.
#include "host/Boundary.h"
#include "integration/Velorin.h"
#include "presentation/PresentationController.h"
#include "presentation/SequencePresenter.h"
#include "sequences/SequenceOptions.h"

#include <cstdlib>
#include <cstring>

using velorin::atBoundary;

extern "C" void showVelorin(void) noexcept {
    atBoundary([] { velorin::showVelorin(); });
}

extern "C" void clearAnimationView(void) noexcept {
    atBoundary([] { velorin::clearAnimationView(); });
}

extern "C" void resetIdleTimer(void) noexcept {
    atBoundary([] { velorin::resetIdleTimer(); });
}

extern "C" unsigned char* getBatteryAnimationData(const char* directory, size_t* length) noexcept {
    if (length)
        *length = 0;
    if (!directory)
        return nullptr;
    auto bytes = atBoundary([directory] { return velorin::readSequenceOptions(directory); },
                            std::optional<std::vector<std::uint8_t>>());
    if (!bytes)
        return nullptr;
    // The caller owns the copy and frees it. One byte more than needed, so that an empty file
    // still gives bytes rather than none.
    auto* copy = static_cast<unsigned char*>(std::malloc(bytes->size() + 1));
    if (!copy)
        return nullptr;
    if (!bytes->empty())
        std::memcpy(copy, bytes->data(), bytes->size());
    if (length)
        *length = bytes->size();
    return copy;
}

extern "C" float handleBatteryOptionsAndAnimate(bool locked, bool dim) noexcept {
    return velorin::handleBatteryOptionsAndAnimate({.locked = locked, .dim = dim});
}

extern "C" void callBatteryAnimationView(VelorinRect frame, float duration, const char* directory,
                                         bool locked, bool dim) noexcept {
    atBoundary([&] {
        std::optional<std::string> folder;
        if (directory)
            folder = directory;
        velorin::callBatteryAnimationView(
            platform::CGRectMake(frame.x, frame.y, frame.width, frame.height), duration,
            std::move(folder), {.locked = locked, .dim = dim});
    });
}
