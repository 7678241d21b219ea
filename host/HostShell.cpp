#include "host/HostShell.h"

#include "host/HostInterface.h"

namespace velorin::host {

namespace {

// Looks the class up and sends it the singleton selector. A missing class gives none, and
// every message to none answers zero.
id sharedObject(const char* className, const char* singletonSelector) {
    return msgSendClass<id>(objc_getClass(className), sel_registerName(singletonSelector));
}

bool askSingleton(const char* className, const char* question) {
    return msgSend<bool>(sharedObject(className, sharedInstanceSelector),
                         sel_registerName(question));
}

void tellSingleton(const char* className, const char* command) {
    msgSend<void>(sharedObject(className, sharedInstanceSelector), sel_registerName(command));
}

const char* askString(const char* className, const char* singletonSelector, const char* question) {
    return msgSend<const char*>(sharedObject(className, singletonSelector),
                                sel_registerName(question));
}

} // namespace

bool isUILocked() {
    return askSingleton(lockScreenManagerClass, isUILockedSelector);
}

bool screenIsDim() {
    return askSingleton(backlightControllerClass, screenIsDimSelector);
}

bool isOnAC() {
    return askSingleton(userInterfaceControllerClass, isOnACSelector);
}

void resetLockScreenIdleTimer() {
    tellSingleton(backlightControllerClass, resetLockScreenIdleTimerSelector);
}

void resetGlobalIdleTimer() {
    tellSingleton(idleTimerCoordinatorClass, resetIdleTimerSelector);
}

std::string systemVersion() {
    const char* version = askString(deviceClass, currentDeviceSelector, systemVersionSelector);
    return version ? version : "";
}

std::optional<std::string> bundleIdentifier() {
    const char* identifier = askString(bundleClass, mainBundleSelector, bundleIdentifierSelector);
    if (!identifier)
        return std::nullopt;
    return std::string(identifier);
}

} // namespace velorin::host
