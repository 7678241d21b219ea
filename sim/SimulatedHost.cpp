#include "sim/SimulatedHost.h"

#include "platform/DeviceFileSystem.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "settings/Settings.h"
#include "sim/ExtensionLoader.h"
#include "sim/HostModel.h"
#include "sim/PrivatePreferenceDomain.h"

namespace velorin::sim {

namespace {

// Empties what the simulated process shares with the extension: queued blocks, observers
// of notifications and the display observer.
void resetProcessFacilities() {
    platform::setDisplayObserver(nullptr);
    platform::MainQueue::shared().reset(platform::ClockMode::Virtual);
    platform::resetNotificationCenter();
}

} // namespace

struct SimulatedHost::Impl {
    Impl(const HostSetup& hostSetup, const HostEnvironment& hostEnvironment,
         std::unique_ptr<PrivatePreferenceDomain> preferenceCopy, TraceSink sink)
        : environment(hostEnvironment), preferences(std::move(preferenceCopy)),
          trace(std::move(sink)), model(hostSetup, trace) {}

    // Members are destroyed in reverse: the host's views and classes first, then the trace,
    // the extension and, last, the preference copy.
    HostEnvironment environment;
    std::unique_ptr<PrivatePreferenceDomain> preferences;
    ExtensionLoader loader;
    Trace trace;
    HostModel model;

    void settle() { platform::MainQueue::shared().runDue(); }
};

common::Result<std::unique_ptr<SimulatedHost>>
SimulatedHost::start(const HostSetup& setup, const HostEnvironment& environment, TraceSink sink) {
    // Checked before anything of the process is reset, since another host is using it.
    if (HostModel::active())
        return common::Fault("another simulated host is alive in this process");
    resetProcessFacilities();
    auto preferences = TRY(PrivatePreferenceDomain::make(environment.deviceRoot, preferenceDomain));
    std::unique_ptr<SimulatedHost> host(new SimulatedHost(
        std::make_unique<Impl>(setup, environment, std::move(preferences), std::move(sink))));
    for (const auto& [key, value] : setup.preferences) {
        TRY(host->setPreference(key, value));
    }
    return host;
}

SimulatedHost::SimulatedHost(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {
    platform::setDeviceRoot(m_impl->environment.deviceRoot);
    // The host's own views were built before the trace listened, so they are never counted.
    m_impl->trace.nameHostView(m_impl->model.page().view(), pageViewName);
    m_impl->trace.nameHostView(m_impl->model.page().chargingView(), hostChargingViewName);
    platform::setDisplayObserver(&m_impl->trace);
}

SimulatedHost::~SimulatedHost() {
    // Blocks and observers may belong to the extension, so they go while it is still loaded.
    // Then the members go in reverse: the host's views and classes, the trace, the extension
    // (whose own references to views are released as it unloads) and the preference copy.
    resetProcessFacilities();
    m_impl.reset();
}

std::uint64_t SimulatedHost::now() const {
    return platform::MainQueue::shared().now();
}

void SimulatedHost::advanceTo(std::uint64_t time) {
    platform::MainQueue::shared().runUntil(time);
}

common::Result<void> SimulatedHost::launch() {
    if (m_impl->model.device().launched || m_impl->loader.isLoaded())
        return common::Fault("the host has already launched");
    if (const auto& library = m_impl->environment.extensionLibrary) {
        TRY(m_impl->loader.load(*library));
    }
    m_impl->model.finishLaunching();
    m_impl->settle();
    return {};
}

void SimulatedHost::lock() {
    m_impl->model.device().locked = true;
    m_impl->model.presentPage();
    m_impl->settle();
}

void SimulatedHost::unlock() {
    m_impl->model.device().locked = false;
    m_impl->settle();
}

void SimulatedHost::present() {
    m_impl->model.presentPage();
    m_impl->settle();
}

void SimulatedHost::plug() {
    HostModel& model = m_impl->model;
    model.device().onPower = true;
    model.announcePowerChange();
    if (model.device().locked)
        model.showChargingViewBriefly();
    m_impl->settle();
}

void SimulatedHost::unplug() {
    m_impl->model.device().onPower = false;
    m_impl->model.announcePowerChange();
    m_impl->settle();
}

void SimulatedHost::wake(WakeKind kind) {
    HostModel& model = m_impl->model;
    model.startWakeAnimations(kind == WakeKind::Waking);
    model.requestBacklight(fullBacklightFactor);
    model.idleCountdown().restart();
    m_impl->settle();
}

void SimulatedHost::dim() {
    m_impl->model.requestBacklight(dimBacklightFactor);
    m_impl->settle();
}

void SimulatedHost::sleep() {
    m_impl->model.requestBacklight(sleepBacklightFactor);
    m_impl->settle();
}

HookOutcome SimulatedHost::requestUnchangedBacklight() {
    HostModel& model = m_impl->model;
    HookOutcome outcome = model.requestBacklight(model.device().backlightFactor);
    m_impl->settle();
    return outcome;
}

void SimulatedHost::showChargingView() {
    m_impl->model.requestChargingView(Visibility::Visible);
    m_impl->settle();
}

void SimulatedHost::hideChargingView() {
    m_impl->model.requestChargingView(Visibility::Hidden);
    m_impl->settle();
}

common::Result<void> SimulatedHost::setPreference(const std::string& key,
                                                  const platform::PropertyValue& value) {
    return m_impl->preferences->set(key, value);
}

common::Result<void> SimulatedHost::unsetPreference(const std::string& key) {
    return m_impl->preferences->remove(key);
}

void SimulatedHost::notifyPreferencesChanged() {
    CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(),
                                         preferencesChangedNotification, nullptr, nullptr, true);
    m_impl->settle();
}

platform::UIView* SimulatedHost::touch(platform::CGPoint point) {
    platform::UIView* receiver = m_impl->model.page().viewAtPoint(point);
    m_impl->trace.touch(point, receiver);
    return receiver;
}

void SimulatedHost::traceEvent(std::string_view text) {
    m_impl->trace.event(text);
}

void SimulatedHost::traceEnd() {
    m_impl->trace.end();
}

const DeviceState& SimulatedHost::device() const {
    return m_impl->model.device();
}

platform::UIView* SimulatedHost::page() const {
    return m_impl->model.page().view();
}

platform::UIView* SimulatedHost::hostChargingView() const {
    return m_impl->model.page().chargingView();
}

bool SimulatedHost::isChargingViewVisible() const {
    return m_impl->model.page().isChargingViewVisible();
}

bool SimulatedHost::isExtensionLoaded() const {
    return m_impl->loader.isLoaded();
}

IdleCountdown::Phase SimulatedHost::idleCountdownPhase() const {
    return m_impl->model.idleCountdown().phase();
}

std::string SimulatedHost::viewName(const platform::UIView* view) const {
    return m_impl->trace.viewName(view);
}

std::string SimulatedHost::preferenceFilePath() const {
    return m_impl->preferences->filePath();
}

} // namespace velorin::sim
