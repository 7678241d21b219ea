// Reading settings from a source of stored values; no state of the process is touched, so the
// tools link this file without the record.
#include "platform/StringValues.h"
#include "settings/Settings.h"

namespace velorin {

namespace {

// A switch is expected as a boolean or a number. A string is read the way the platform reads
// a string's truth; any other kind (data, a date, an array, a dictionary) cannot be read as
// a switch and gives the default, as an absent key does.
bool readSwitch(const PreferenceSource& source, const char* key, bool defaultValue) {
    auto value = source(key);
    if (!value)
        return defaultValue;
    if (value->isNumber() || value->kind == platform::PropertyKind::String)
        return platform::boolValue(*value);
    return defaultValue;
}

// The name is used exactly as stored. Anything but a non-empty string names no sequence, and
// the default sequence plays instead.
std::string readSequenceName(const PreferenceSource& source) {
    auto value = source(sequenceNamePreferenceKey);
    if (value) {
        if (const std::string* name = value->stringValue(); name && !name->empty())
            return *name;
    }
    return defaultSequenceName;
}

} // namespace

void readSettingsInto(Settings& record, const PreferenceSource& source) {
    record.enabled = readSwitch(source, enabledPreferenceKey, false);
    record.sequenceName = readSequenceName(source);
    record.loop = readSwitch(source, loopPreferenceKey, false);
    record.noSleep = readSwitch(source, noSleepPreferenceKey, false);
    record.showOnWake = readSwitch(source, showOnWakePreferenceKey, false);
    record.hideBattery = readSwitch(source, hideBatteryPreferenceKey, true);
}

Settings readSettings(const PreferenceSource& source) {
    Settings record;
    readSettingsInto(record, source);
    return record;
}

} // namespace velorin
