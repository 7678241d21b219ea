// The host shell's own implementations of its methods, with the exact types the extension
// calls and interposes them with.
#pragma once

#include "sim/HostClasses.h"

namespace velorin::sim {

// Adds every method to the classes that have it.
void addHostMethods(HostClasses& classes);

} // namespace velorin::sim
