// What a simulated host shell is before its first event: which host classes it has, what it
// answers about itself, its screen, its idle countdown, its lock and power state, and the
// preferences stored before the extension loads. The defaults are those of an unconfigured
// scenario.
#pragma once

#include "platform/PropertyValue.h"
#include "platform/display/Geometry.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace velorin::sim {

// Which generation of host classes exists. `All` has every class of both generations.
enum class HostProfile { Modern, Legacy, All };

inline constexpr std::uint64_t nanosecondsPerSecond = 1'000'000'000;

struct HostSetup {
    HostProfile profile{HostProfile::Modern};
    // Classes of the profile that this host lacks: the extension cannot find them by name.
    std::set<std::string> lackingClasses;
    // What `UIDevice` `systemVersion` answers.
    std::string systemVersion{"14.4"};
    // What `NSBundle` `bundleIdentifier` answers; none for a process without one.
    std::optional<std::string> bundleIdentifier{"com.apple.springboard"};
    // The lock-screen page's size in points.
    platform::CGSize screen{390, 844};
    // Idle time before the host dims the screen; none for never.
    std::optional<std::uint64_t> autolockNanoseconds{30 * nanosecondsPerSecond};
    bool locked{true};
    bool onPower{false};
    // Stored in the preference domain, in this order, before the extension loads.
    std::vector<std::pair<std::string, platform::PropertyValue>> preferences;
};

} // namespace velorin::sim
