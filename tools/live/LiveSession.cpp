#include "tools/live/LiveSession.h"

#include "platform/PreferenceStore.h"
#include "settings/Settings.h"
#include "sim/ExtensionLoader.h"
#include "sim/ScenarioReader.h"
#include "sim/ScenarioRunner.h"

#include <cstdio>
#include <filesystem>

namespace velorin::tools {

namespace {

void printTraceLine(std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    // Whoever reads the trace sees each line as it happens.
    std::fflush(stdout);
}

// The first event of `text` read as the scenario language reads it.
common::Result<sim::ScenarioEvent> readEvent(std::string_view text) {
    auto scenario = sim::readScenario("at 0 " + std::string(text) + "\n");
    if (!scenario)
        return common::Fault(scenario.fault().message);
    if (scenario.value().events.size() != 1)
        return common::Fault("not one event: " + std::string(text));
    return scenario.value().events.front();
}

} // namespace

std::uint64_t nextWholeMillisecond(std::uint64_t nanoseconds) {
    constexpr std::uint64_t millisecond = 1'000'000;
    return (nanoseconds + millisecond - 1) / millisecond * millisecond;
}

LiveSession::LiveSession(LiveSessionSetup setup)
    : m_setup(std::move(setup)), m_recording(m_setup.host, m_setup.replayNote) {
}

LiveSession::~LiveSession() {
    m_full.reset();
    m_display.reset();
    m_host.reset();
}

common::Result<std::unique_ptr<LiveSession>> LiveSession::start(const LiveSessionSetup& setup) {
    std::string library = sim::defaultExtensionLibrary();
    std::error_code error;
    if (!std::filesystem::is_regular_file(library, error))
        return common::Fault(library, "no such extension library");
    std::unique_ptr<LiveSession> session(new LiveSession(setup));
    auto host = TRY(sim::SimulatedHost::start(
        setup.host, sim::HostEnvironment{setup.deviceRoot, library}, printTraceLine));
    session->m_host = std::move(host);
    return session;
}

std::uint64_t LiveSession::now() const {
    return m_host->now();
}

void LiveSession::advanceTo(std::uint64_t time) {
    if (time > m_host->now())
        m_host->advanceTo(time);
}

common::Result<void> LiveSession::play(std::string_view eventText) {
    auto event = TRY(readEvent(eventText));
    return play(event);
}

common::Result<void> LiveSession::play(const sim::ScenarioEvent& event) {
    m_host->traceEvent(event.text);
    m_recording.add(m_host->now(), event.text);
    if (event.kind == sim::EventKind::End) {
        m_host->traceEnd();
        return {};
    }
    return sim::playEvent(*m_host, event);
}

void LiveSession::endHere() {
    m_host->traceEvent("end");
    m_recording.add(m_host->now(), "end");
    m_host->traceEnd();
}

void LiveSession::endAt(std::uint64_t time) {
    advanceTo(time);
    m_host->traceEnd();
}

KeyContext LiveSession::keyContext() const {
    const sim::DeviceState& device = m_host->device();
    auto looping = platform::NSUserDefaults::standardUserDefaults()->objectForKey(loopPreferenceKey,
                                                                                  preferenceDomain);
    return KeyContext{device.onPower, device.locked, device.screenIsDim(),
                      looping && platform::boolValue(*looping)};
}

bool LiveSession::setDisplayScale(double scale) {
    m_full.reset();
    m_display.reset();
    m_display = std::make_unique<LockScreenPicture>(*m_host, scale, m_setup.dress);
    m_full = std::make_unique<LockScreenPicture>(*m_host, m_setup.fullScale, m_setup.dress);
    return m_display->width() > 0 && m_display->height() > 0;
}

bool LiveSession::drawForDisplay(FramePixels& picture) const {
    if (!m_display)
        return false;
    return m_display->takeInto(picture, static_cast<double>(m_host->now()) / 1e9,
                               m_host->device().backlightFactor, powerSourceOf(*m_host));
}

std::unique_ptr<FramePixels> LiveSession::captureFullResolution() const {
    if (!m_full)
        return nullptr;
    return m_full->takeNow(*m_host);
}

} // namespace velorin::tools
