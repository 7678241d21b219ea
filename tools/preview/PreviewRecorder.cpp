#include "tools/preview/PreviewRecorder.h"

#include "settings/Settings.h"
#include "sim/ExtensionLoader.h"
#include "sim/SimulatedHost.h"
#include "tools/lockscreen/LockScreenPicture.h"
#include "tools/preview/ExtensionOffMark.h"

#include <cmath>
#include <filesystem>

namespace velorin::tools {

int PreviewSettings::frameCount() const {
    return static_cast<int>(std::lround(seconds * framesPerSecond));
}

std::uint64_t PreviewSettings::frameNanoseconds(int index) const {
    return static_cast<std::uint64_t>(std::llround(index * 1e9 / framesPerSecond));
}

std::uint32_t PreviewSettings::pixelWidth() const {
    return static_cast<std::uint32_t>(std::lround(screen.width * scale));
}

std::uint32_t PreviewSettings::pixelHeight() const {
    return static_cast<std::uint32_t>(std::lround(screen.height * scale));
}

namespace {

sim::HostSetup previewHost(const PreviewSequence& sequence, const PreviewSettings& settings) {
    sim::HostSetup setup;
    setup.screen = settings.screen;
    setup.locked = true;
    setup.onPower = false;
    setup.preferences = {
        {enabledPreferenceKey, platform::PropertyValue::boolean(true)},
        {sequenceNamePreferenceKey, platform::PropertyValue::string(sequence.name())},
    };
    return setup;
}

common::Result<void> play(sim::SimulatedHost& host, const PreviewSettings& settings,
                          const FrameSink& sink) {
    TRY(host.launch());
    host.lock();
    host.plug();
    LockScreenPicture camera(host, settings.scale, settings.dress);
    int count = settings.frameCount();
    for (int index = 0; index < count; ++index) {
        host.advanceTo(settings.frameNanoseconds(index));
        std::unique_ptr<FramePixels> picture = camera.takeNow(host);
        if (!picture)
            return common::Fault("the lock screen cannot be rendered at this size");
        if (settings.mark == ExtensionMark::ExtensionOff)
            markExtensionOff(*picture);
        TRY(sink(RecordedFrame{index, static_cast<double>(index) / settings.framesPerSecond,
                               std::move(picture)}));
    }
    return {};
}

} // namespace

common::Result<void> recordPreview(const PreviewSequence& sequence, const PreviewSettings& settings,
                                   const FrameSink& sink) {
    std::string library = sim::defaultExtensionLibrary();
    std::error_code error;
    if (!std::filesystem::is_regular_file(library, error))
        return common::Fault(library, "no such extension library");
    auto host = TRY(sim::SimulatedHost::start(
        previewHost(sequence, settings), sim::HostEnvironment{sequence.deviceRoot(), library}));
    return play(*host, settings, sink);
}

} // namespace velorin::tools
