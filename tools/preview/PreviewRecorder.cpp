#include "tools/preview/PreviewRecorder.h"

#include "presentation/ShowingLength.h"
#include "settings/Settings.h"
#include "sim/ExtensionLoader.h"
#include "sim/SimulatedHost.h"
#include "tools/lockscreen/LockScreenPicture.h"
#include "tools/preview/ExtensionOffMark.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string_view>

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

ShowingPlan planShowings(const PreviewSettings& settings, Looping looping) {
    ShowingPlan plan;
    int count = settings.frameCount();
    auto firstFrameFrom = [&](double seconds) {
        int index = static_cast<int>(std::floor(seconds * settings.framesPerSecond));
        while (index < count && settings.frameNanoseconds(index) <
                                    static_cast<std::uint64_t>(std::llround(seconds * 1e9)))
            ++index;
        return index;
    };
    for (double end = showingLengthSeconds; end < settings.seconds; end += showingLengthSeconds) {
        int frame = firstFrameFrom(end);
        if (frame >= count)
            break;
        plan.eventFrames.push_back(frame);
        if (looping == Looping::Once)
            break;
    }
    plan.lastSampledFrame = looping == Looping::Once && !plan.eventFrames.empty()
                                ? plan.eventFrames.front()
                                : count - 1;
    return plan;
}

namespace {

// Hears the trace for what a person sees of the showings: one ending (the animated view
// removed), one starting (an animation added), and both at once when it starts again.
class ShowingEvents {
public:
    void hear(std::string_view line) {
        // "T KIND NAME FIELDS…"
        auto kindStart = line.find(' ');
        if (kindStart == std::string_view::npos)
            return;
        std::string_view rest = line.substr(kindStart + 1);
        if (rest.starts_with("animation "))
            m_started = true;
        else if (rest.starts_with("view AnimatedImageView") && rest.ends_with(" removed"))
            m_ended = true;
    }
    // The words for what happened since the last call, and forgets it.
    std::string take(bool first) {
        std::string words = first                  ? "charger in"
                             : m_ended && m_started ? "restart"
                             : m_ended              ? "showing ends"
                             : m_started            ? "showing starts"
                                                    : "";
        m_started = m_ended = false;
        return words;
    }

private:
    bool m_started{false};
    bool m_ended{false};
};

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
                          ShowingEvents& events, const FrameSink& sink) {
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
                               events.take(index == 0), std::move(picture)}));
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
    ShowingEvents events;
    auto host = TRY(sim::SimulatedHost::start(
        previewHost(sequence, settings), sim::HostEnvironment{sequence.deviceRoot(), library},
        [&events](std::string_view line) { events.hear(line); }));
    return play(*host, settings, events, sink);
}

} // namespace velorin::tools
