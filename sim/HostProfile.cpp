#include "sim/HostProfile.h"

#include "host/HostInterface.h"

#include <algorithm>

namespace velorin::sim {

const std::vector<const char*>& hostClassesOf(HostProfile profile) {
    static const std::vector<const char*> modern{
        host::springBoardClass,          host::userInterfaceControllerClass,
        host::lockScreenManagerClass,    host::backlightControllerClass,
        host::idleTimerCoordinatorClass, host::screenWakeAnimationControllerClass,
        host::mainPageViewClass,         host::coverSheetViewControllerClass,
    };
    static const std::vector<const char*> legacy{
        host::springBoardClass,
        host::userInterfaceControllerClass,
        host::lockScreenManagerClass,
        host::backlightControllerClass,
        host::screenWakeAnimationControllerClass,
        host::mainPageViewClass,
        host::dashBoardViewControllerClass,
        host::lockScreenViewControllerClass,
    };
    static const std::vector<const char*> all{
        host::springBoardClass,
        host::userInterfaceControllerClass,
        host::lockScreenManagerClass,
        host::backlightControllerClass,
        host::idleTimerCoordinatorClass,
        host::screenWakeAnimationControllerClass,
        host::mainPageViewClass,
        host::coverSheetViewControllerClass,
        host::dashBoardViewControllerClass,
        host::lockScreenViewControllerClass,
    };
    switch (profile) {
    case HostProfile::Modern:
        return modern;
    case HostProfile::Legacy:
        return legacy;
    case HostProfile::All:
        break;
    }
    return all;
}

bool profileHasClass(HostProfile profile, std::string_view className) {
    const auto& classes = hostClassesOf(profile);
    return std::any_of(classes.begin(), classes.end(),
                       [&](const char* name) { return className == name; });
}

bool isProfileClassName(std::string_view className) {
    return profileHasClass(HostProfile::All, className);
}

std::optional<HostProfile> profileNamed(std::string_view name) {
    if (name == "modern")
        return HostProfile::Modern;
    if (name == "legacy")
        return HostProfile::Legacy;
    if (name == "all")
        return HostProfile::All;
    return std::nullopt;
}

const char* profileName(HostProfile profile) {
    switch (profile) {
    case HostProfile::Modern:
        return "modern";
    case HostProfile::Legacy:
        return "legacy";
    case HostProfile::All:
        break;
    }
    return "all";
}

} // namespace velorin::sim
