#include "settings/Settings.h"

#include "platform/PreferenceStore.h"
#include "platform/StringValues.h"

#include <optional>

namespace velorin {

namespace {

std::optional<platform::PropertyValue> storedValue(const char* key) {
    return platform::NSUserDefaults::standardUserDefaults()->objectForKey(key, preferenceDomain);
}

// A switch is expected as a boolean or a number. A string is read the way the platform reads
// a string's truth; any other kind (data, a date, an array, a dictionary) cannot be read as
// a switch and gives the default, as an absent key does.
bool readSwitch(const char* key, bool defaultValue) {
    auto value = storedValue(key);
    if (!value)
        return defaultValue;
    if (value->isNumber() || value->kind == platform::PropertyKind::String)
        return platform::boolValue(*value);
    return defaultValue;
}

// The name is used exactly as stored. Anything but a non-empty string names no sequence, and
// the default sequence plays instead.
std::string readSequenceName() {
    auto value = storedValue(sequenceNamePreferenceKey);
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
    // Each field is stored before the next key is read, in the order the keys are listed in
    // the header.
    Settings& record = settings();
    record.enabled = readSwitch(enabledPreferenceKey, false);
    record.sequenceName = readSequenceName();
    record.loop = readSwitch(loopPreferenceKey, false);
    record.noSleep = readSwitch(noSleepPreferenceKey, false);
    record.showOnWake = readSwitch(showOnWakePreferenceKey, false);
    record.hideBattery = readSwitch(hideBatteryPreferenceKey, true);
}

void resetSettings() {
    settings() = Settings{};
}

} // namespace velorin
