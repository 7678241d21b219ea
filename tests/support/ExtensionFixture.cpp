#include "tests/support/ExtensionFixture.h"

#include "integration/ExtensionInit.h"
#include "platform/NotificationCenter.h"
#include "settings/Settings.h"

namespace velorin::testing {

// The extension's state lives for the whole process; tests that share a process must not see
// each other's container, view, keep-awake hold or hook slots.
ExtensionFixture::ExtensionFixture() {
    resetExtensionState();
}

ExtensionFixture::~ExtensionFixture() {
    m_host.reset();
    resetExtensionState();
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
