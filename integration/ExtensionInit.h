// Where the library enters the host process, and the state it starts from.
#pragma once

#include "platform/NotificationCenter.h"

namespace velorin {

// The work of the load-time initializer: load the settings, and in the host shell install the
// hook table (when enabled) and subscribe to the settings notification.
void initializeExtension();

// What every settings load does: read the domain into the settings and ask for the container
// to be rebuilt at the next page update.
void loadPreferences();

// The settings notification's callback; its five arguments are ignored.
void loadPreferencesOnNotification(CFNotificationCenterRef center, void* observer, CFStringRef name,
                                   const void* object, CFDictionaryRef userInfo) noexcept;

// Puts all of the extension's process-wide state back as it is before load: the settings, the
// presentation (container, view, showings, keep-awake), the hook slots and the container's
// reset request. Nothing is sent to the host or to any view.
void resetExtensionState();

} // namespace velorin
