// The questions and commands the extension puts to the host shell's singletons.
//
// Each call looks the host class up by name and asks it for its shared instance afresh;
// nothing is cached. A class the running host lacks answers false, none or nothing.
#pragma once

#include <optional>
#include <string>

namespace velorin::host {

bool isUILocked();
bool screenIsDim();
bool isOnAC();
void resetLockScreenIdleTimer();
// `SBIdleTimerGlobalCoordinator` `resetIdleTimer`, the interface of newer system versions.
void resetGlobalIdleTimer();
// `UIDevice` `currentDevice` `systemVersion`; empty when the host gives none.
std::string systemVersion();
// `NSBundle` `mainBundle` `bundleIdentifier`; none when the process has none.
std::optional<std::string> bundleIdentifier();

} // namespace velorin::host
