// velorin-sim settings: what the extension's settings load gives for a device root.
//
// When the extension refuses the root's preference list (too large, past the property-list
// limits, not a dictionary), the settings printed are all defaults, and standard error says
// which file was refused and why, so that defaults are never shown without their reason.
#include "settings/Settings.h"
#include "tools/common/Commands.h"
#include "tools/common/FaultReport.h"
#include "tools/common/PreferenceListReading.h"
#include "tools/common/SampleRoot.h"
#include "tools/prefs/PreferenceEditor.h"

#include <CLI/CLI.hpp>
#include <cstdio>

namespace velorin::tools {

namespace {

const char* text(bool value) {
    return value ? "true" : "false";
}

int runSettings(const std::string& givenRoot) {
    auto root = chooseDeviceRoot(givenRoot);
    if (!root)
        return report(root.fault());
    PreferenceListReading reading = readRootPreferenceList(root.value());
    const Settings loaded = settingsIn(reading);
    // The same names as the preference keys, so that what `prefs` sets is what shows here.
    std::printf("%s=%s\n", enabledPreferenceKey, text(loaded.enabled));
    std::printf("%s=%s\n", sequenceNamePreferenceKey, loaded.sequenceName.c_str());
    std::printf("%s=%s\n", loopPreferenceKey, text(loaded.loop));
    std::printf("%s=%s\n", noSleepPreferenceKey, text(loaded.noSleep));
    std::printf("%s=%s\n", showOnWakePreferenceKey, text(loaded.showOnWake));
    std::printf("%s=%s\n", hideBatteryPreferenceKey, text(loaded.hideBattery));
    std::fflush(stdout);
    if (reading.state == PreferenceListReading::State::Refused)
        std::fprintf(stderr, "%s\n",
                     faultReportLine(common::Fault(preferenceFileUnderRoot(root.value()),
                                                   reading.refusal + "; " + refusedListConsequence))
                         .c_str());
    return 0;
}

} // namespace

CommandRun addSettingsOptions(CLI::App& command) {
    auto root = std::make_shared<std::string>();
    command.add_option("--root", *root, "Device root (default: your own)");
    return [root] { return runSettings(*root); };
}

} // namespace velorin::tools
