#include "integration/ExtensionInit.h"

#include "host/Boundary.h"
#include "host/HostInterface.h"
#include "host/HostShell.h"
#include "integration/HostHooks.h"
#include "integration/LockScreenContainer.h"
#include "presentation/PresentationState.h"
#include "settings/Settings.h"

namespace velorin {

void loadPreferences() {
    readSettings();
    requestContainerReset();
}

void loadPreferencesOnNotification(CFNotificationCenterRef, void*, CFStringRef, const void*,
                                   CFDictionaryRef) noexcept {
    atBoundary([] { loadPreferences(); });
}

void initializeExtension() {
    auto identifier = host::bundleIdentifier();
    bool isHostShell = identifier && *identifier == host::hostShellBundleIdentifier;
    // The settings are read in every process the library finds itself in.
    loadPreferences();
    if (!isHostShell)
        return;
    // Whether to interpose is decided once, here; turning the extension on later takes effect
    // in the next host process.
    if (settings().enabled)
        installHookTable();
    CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), nullptr,
                                    loadPreferencesOnNotification, preferencesChangedNotification,
                                    nullptr, CFNotificationSuspensionBehaviorCoalesce);
}

void resetExtensionState() {
    resetSettings();
    resetPresentation();
    resetHookSlots();
    resetLockScreenContainer();
}

} // namespace velorin
