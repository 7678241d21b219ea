// The user's choices, read from the preference domain into one process-wide record.
//
// `readSettings` fills the record from the domain; the extension runs it at load and again each
// time the settings-changed notification arrives. Every other part of the extension reads the
// record at the moment it needs a value, so a reload takes effect at each reader's next use.
// Reading never fails: a missing key, or a value of a kind the key does not expect, gives that
// key's default. The extension reads the domain's list once per load; when memory runs out the
// load throws and the record stays as it was.
//
// The reading itself takes its source as an argument, so that the tools read the settings of
// any device root the way the extension reads its own, without touching the record: the record
// and the process's preference store are the extension's state, which the tools do not link.
#pragma once

#include "platform/PropertyValue.h"

#include <functional>
#include <optional>
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

// Where settings are read from: the stored value of one key of the domain, or none when the
// key is absent (or the list is one the store refuses, which holds no keys).
using PreferenceSource = std::function<std::optional<platform::PropertyValue>(const char* key)>;

// Reads every key from `source` into `record`, each field stored before the next key is read,
// in the order the keys are listed above.
void readSettingsInto(Settings& record, const PreferenceSource& source);

// The settings `source` holds.
Settings readSettings(const PreferenceSource& source);

// The one record of the process.
Settings& settings();

// Reads every key of the domain, from one read of its list through the process's preference
// store, into the record.
void readSettings();

// Puts the record back as it is before the first read.
void resetSettings();

} // namespace velorin
