// The host classes of each profile, by name.
#pragma once

#include "sim/HostSetup.h"

#include <optional>
#include <string_view>
#include <vector>

namespace velorin::sim {

// The classes a profile has, in a fixed order. `UIDevice` and `NSBundle` belong to every host
// and are not listed: a host never lacks them.
const std::vector<const char*>& hostClassesOf(HostProfile profile);
bool profileHasClass(HostProfile profile, std::string_view className);
// Whether the name is one of the classes any profile has.
bool isProfileClassName(std::string_view className);

std::optional<HostProfile> profileNamed(std::string_view name);
const char* profileName(HostProfile profile);

} // namespace velorin::sim
