#include "settings/Settings.h"

#include "platform/PreferenceStore.h"

namespace velorin {

Settings& settings() {
    static Settings record;
    return record;
}

void readSettings() {
    readSettingsInto(settings(), [](const char* key) {
        return platform::NSUserDefaults::standardUserDefaults()->objectForKey(key,
                                                                              preferenceDomain);
    });
}

void resetSettings() {
    settings() = Settings{};
}

} // namespace velorin
