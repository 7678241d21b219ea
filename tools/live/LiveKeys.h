// The keys of the live window: what each does, and the scenario events a key stands for.
//
// Every key that changes the simulated device is played as events of the scenario language,
// written as `run` reads them, so that what the window shows is what the same events give in
// a scenario, and a recording of the keys replays as it was played.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velorin::tools {

enum class LiveKey {
    Charger,
    Lock,
    Backlight,
    Loop,
    NextScreen,
    Reload,
    Screenshot,
    Pause,
    Help,
    Quit,
};

struct LiveKeyDescription {
    LiveKey key;
    // As typed; the space bar is ' '.
    char letter;
    // For the help: the key's name and what it does.
    const char* name;
    const char* action;
};

// Every key, in the order the help lists them.
const std::vector<LiveKeyDescription>& liveKeys();
std::optional<LiveKey> liveKeyForLetter(char letter);

// What the device is when a key is pressed, as far as the keys need to know.
struct KeyContext {
    bool onPower{false};
    bool locked{true};
    bool screenDim{false};
    bool looping{false};
};

// The scenario events (without their time) a key stands for, in order; none for the keys that
// change the window rather than the device. Reloading shows the sequence again at once by
// unplugging and plugging in when the device is on power.
std::vector<std::string> eventsForKey(LiveKey key, const KeyContext& context);

} // namespace velorin::tools
