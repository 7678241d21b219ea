#include "settings/Settings.h"

#include "platform/PreferenceStore.h"

#include <array>
#include <string_view>

namespace velorin {

namespace {

// Every key the record is read from; the domain's list is read once for all of them.
constexpr std::array<std::string_view, 6> preferenceKeys{
    enabledPreferenceKey, sequenceNamePreferenceKey, loopPreferenceKey,
    noSleepPreferenceKey, showOnWakePreferenceKey,   hideBatteryPreferenceKey};

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
    readSettingsInto(record, [&stored](const char* key) { return stored.objectForKey(key); });
    settings() = std::move(record);
}

void resetSettings() {
    settings() = Settings{};
}

} // namespace velorin
