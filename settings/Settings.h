// The user's choices, read from the preference domain into one process-wide record.
//
// `readSettings` fills the record from the domain; the extension runs it at load and again each
// time the settings-changed notification arrives. Every other part of the extension reads the
// record at the moment it needs a value, so a reload takes effect at each reader's next use.
// Reading never fails: a missing key, or a value of a kind the key does not expect, gives that
// key's default. The domain's list is read once per load; when memory runs out the load throws
// and the record stays as it was.
#pragma once

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
};

// The one record of the process.
Settings& settings();

// Reads every key of the domain into the record, from one read of the domain's list.
void readSettings();

// Puts the record back as it is before the first read.
void resetSettings();

} // namespace velorin
