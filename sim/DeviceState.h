// The simulated device as the host shell knows it: lock, power, backlight and launch.
//
// The backlight factor is the one the host last applied: 1 is full, `dimBacklightFactor` is
// what the idle countdown dims to, and 0 is asleep. The screen counts as dim whenever the
// factor is below full, so a sleeping screen is dim too: nothing is to start on a screen that
// cannot be seen.
#pragma once

namespace velorin::sim {

inline constexpr float fullBacklightFactor = 1.0f;
inline constexpr float dimBacklightFactor = 0.1f;
inline constexpr float sleepBacklightFactor = 0.0f;

struct DeviceState {
    bool locked{true};
    bool onPower{false};
    float backlightFactor{fullBacklightFactor};
    bool launched{false};

    bool screenIsDim() const { return backlightFactor < fullBacklightFactor; }
    bool screenIsAsleep() const { return backlightFactor <= sleepBacklightFactor; }
};

} // namespace velorin::sim
