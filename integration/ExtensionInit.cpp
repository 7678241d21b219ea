#include "integration/ExtensionInit.h"

#include "host/HostInterface.h"
#include "host/HostShell.h"
#include "integration/HostHooks.h"
#include "platform/NotificationCenter.h"
#include "settings/Settings.h"

namespace velorin {

void initializeExtension() {
    auto identifier = host::bundleIdentifier();
    bool isHostShell = identifier && *identifier == host::hostShellBundleIdentifier;
    // The settings are read in every process the library finds itself in.
    loadPreferences(nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!isHostShell)
        return;
    // Whether to interpose is decided once, here; turning the extension on later takes effect
    // in the next host process.
    if (settings().enabled)
        installHookTable();
    CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), nullptr,
                                    loadPreferences, preferencesChangedNotification, nullptr,
                                    CFNotificationSuspensionBehaviorCoalesce);
}

} // namespace velorin
