#include "tests/support/ExtensionFixture.h"

#include "host/HostInterface.h"
#include "integration/ExtensionInit.h"
#include "integration/LockScreenContainer.h"
#include "platform/NotificationCenter.h"
#include "presentation/PresentationController.h"
#include "settings/Settings.h"

namespace velorin::testing {

namespace {

// The extension's state lives for the whole process; tests that share a process must not see
// each other's container, view or keep-awake hold. They are cleared through the extension's
// own paths: a showing off power releases the hold, and a reset while disabled drops the
// container.
void clearExtensionState() {
    FakeHost host;
    host.onExternalPower = false;
    Settings& record = settings();
    SEL update = sel_registerName(host::updateForPresentationSelector);
    record.enabled = true;
    record.containerResetPending = false;
    hookUpdateForPresentation(&host.page(), update, nullptr);
    decideShowing();
    record.enabled = false;
    record.containerResetPending = true;
    hookUpdateForPresentation(&host.page(), update, nullptr);
    origUpdateForPresentation() = nullptr;
}

} // namespace

ExtensionFixture::ExtensionFixture() {
    clearExtensionState();
}

ExtensionFixture::~ExtensionFixture() {
    m_host.reset();
    clearExtensionState();
}

FakeHost& ExtensionFixture::start(const PreferenceEntries& preferences,
                                  std::set<std::string> lacked) {
    m_host.reset();
    m_host = std::make_unique<FakeHost>(std::move(lacked));
    root.writePreferences(preferenceDomain, preferences);
    initializeExtension();
    return *m_host;
}

void ExtensionFixture::changePreferences(const PreferenceEntries& preferences) {
    root.writePreferences(preferenceDomain, preferences);
    CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(),
                                         preferencesChangedNotification, nullptr, nullptr, true);
    advanceSeconds(0);
}

PreferenceEntries enabledWith(PreferenceEntries others) {
    others.insert(others.begin(),
                  {"enablebatteryanimation", platform::PropertyValue::boolean(true)});
    return others;
}

} // namespace velorin::testing
