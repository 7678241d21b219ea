#include "tools/live/LiveKeys.h"

#include "settings/Settings.h"

namespace velorin::tools {

const std::vector<LiveKeyDescription>& liveKeys() {
    static const std::vector<LiveKeyDescription> keys{
        {LiveKey::Charger, 'p', "p", "plug in / unplug"},
        {LiveKey::Lock, 'l', "l", "lock / unlock"},
        {LiveKey::Backlight, 'd', "d", "dim / wake"},
        {LiveKey::Loop, 'o', "o", "looping on / off"},
        {LiveKey::NextScreen, 'n', "n", "next screen size (starts the device again)"},
        {LiveKey::Reload, 'r', "r", "reload the sequence and show it again"},
        {LiveKey::Screenshot, 's', "s", "screenshot (a PNG at full resolution)"},
        {LiveKey::Pause, ' ', "space", "pause / go on"},
        {LiveKey::Help, '?', "?", "this help"},
        {LiveKey::Quit, 'q', "q", "quit"},
    };
    return keys;
}

std::optional<LiveKey> liveKeyForLetter(char letter) {
    for (const auto& description : liveKeys()) {
        if (description.letter == letter)
            return description.key;
    }
    return std::nullopt;
}

std::vector<std::string> eventsForKey(LiveKey key, const KeyContext& context) {
    switch (key) {
    case LiveKey::Charger:
        return {context.onPower ? "unplug" : "plug"};
    case LiveKey::Lock:
        return {context.locked ? "unlock" : "lock"};
    case LiveKey::Backlight:
        return {context.screenDim ? "wake" : "dim"};
    case LiveKey::Loop:
        // The extension reads its settings again when told that they changed.
        return {std::string("pref ") + loopPreferenceKey + (context.looping ? " false" : " true"),
                "notify"};
    case LiveKey::Reload:
        if (context.onPower)
            return {"unplug", "plug"};
        return {};
    case LiveKey::NextScreen:
    case LiveKey::Screenshot:
    case LiveKey::Pause:
    case LiveKey::Help:
    case LiveKey::Quit:
        break;
    }
    return {};
}

} // namespace velorin::tools
