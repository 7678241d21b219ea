// The user's choices, read from the preference domain into one process-wide record.
//
// `loadPreferences` is both the load-time read and the callback of the settings-changed
// notification. Every other part of the extension reads the record at the moment it needs a
// value, so a reload takes effect at each reader's next use. Loading never fails: a missing
// key, or a value of a kind the key does not expect, gives that key's default.
#pragma once

#include "platform/NotificationCenter.h"

#include <string>

namespace velorin {

inline constexpr const char* preferenceDomain = "com.tarnwick.velorin";
inline constexpr const char* preferencesChangedNotification =
    "com.tarnwick.velorin/preferences.changed";
inline constexpr const char* defaultSequenceName = "particlespin";

// The keys of the preference domain.
inline constexpr const char* enabledPreferenceKey = "enablebatteryanimation";
inline constexpr const char* sequenceNamePreferenceKey = "batteryanimation";
inline constexpr const char* loopPreferenceKey = "loopbatteryanimation";
inline constexpr const char* noSleepPreferenceKey = "nosleepbatteryanimation";
inline constexpr const char* showOnWakePreferenceKey = "showbatteryanimationonwake";
inline constexpr const char* hideBatteryPreferenceKey = "hidebattery";

struct Settings {
    bool enabled{false};
    std::string sequenceName{defaultSequenceName};
    bool loop{false};
    bool noSleep{false};
    bool showOnWake{false};
    bool hideBattery{false};
    // Set by every load; the next page update detaches the current container and clears it.
    bool containerResetPending{false};
};

// The one record of the process.
Settings& settings();

// Reads every key of the domain into the record and sets `containerResetPending`. Has the
// notification callback's signature; all five arguments are ignored.
void loadPreferences(CFNotificationCenterRef center, void* observer, CFStringRef name,
                     const void* object, CFDictionaryRef userInfo);

} // namespace velorin
