#include "settings/Settings.h"

#include "platform/PreferenceStore.h"
#include "platform/StringValues.h"

#include <array>
#include <optional>
#include <string_view>

namespace velorin {

namespace {

// Every key the record is read from; the domain's list is read once for all of them.
constexpr std::array<std::string_view, 6> preferenceKeys{
    enabledPreferenceKey, sequenceNamePreferenceKey, loopPreferenceKey,
    noSleepPreferenceKey, showOnWakePreferenceKey,   hideBatteryPreferenceKey};

using StoredValues = platform::PreferenceDomainValues;

// A switch is expected as a boolean or a number. A string is read the way the platform reads
// a string's truth; any other kind (data, a date, an array, a dictionary) cannot be read as
// a switch and gives the default, as an absent key does.
bool readSwitch(const StoredValues& stored, const char* key, bool defaultValue) {
    const auto& value = stored.objectForKey(key);
    if (!value)
        return defaultValue;
    if (value->isNumber() || value->kind == platform::PropertyKind::String)
        return platform::boolValue(*value);
    return defaultValue;
}

// The name is used exactly as stored. Anything but a non-empty string names no sequence, and
// the default sequence plays instead.
std::string readSequenceName(const StoredValues& stored) {
    const auto& value = stored.objectForKey(sequenceNamePreferenceKey);
    if (value) {
        if (const std::string* name = value->stringValue(); name && !name->empty())
            return *name;
    }
    return defaultSequenceName;
}

} // namespace

Settings& settings() {
    static Settings record;
    return record;
}

void readSettings() {
    auto stored = platform::NSUserDefaults::standardUserDefaults()->persistentDomainForName(
        preferenceDomain, preferenceKeys);
    // The new record is made aside and moved in whole, so that a read that runs out of memory
    // leaves the previous record as it was.
    Settings record;
    record.enabled = readSwitch(stored, enabledPreferenceKey, false);
    record.sequenceName = readSequenceName(stored);
    record.loop = readSwitch(stored, loopPreferenceKey, false);
    record.noSleep = readSwitch(stored, noSleepPreferenceKey, false);
    record.showOnWake = readSwitch(stored, showOnWakePreferenceKey, false);
    record.hideBattery = readSwitch(stored, hideBatteryPreferenceKey, true);
    settings() = std::move(record);
}

void resetSettings() {
    settings() = Settings{};
}

} // namespace velorin
