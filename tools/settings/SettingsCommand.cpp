// velorin-sim settings: what the extension's settings load gives for a device root.
#include "platform/DeviceFileSystem.h"
#include "settings/Settings.h"
#include "tools/common/Commands.h"
#include "tools/common/FaultReport.h"
#include "tools/common/SampleRoot.h"

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
    platform::setDeviceRoot(root.value());
    readSettings();
    const Settings& loaded = settings();
    std::printf("enabled=%s\n", text(loaded.enabled));
    std::printf("sequenceName=%s\n", loaded.sequenceName.c_str());
    std::printf("loop=%s\n", text(loaded.loop));
    std::printf("noSleep=%s\n", text(loaded.noSleep));
    std::printf("showOnWake=%s\n", text(loaded.showOnWake));
    std::printf("hideBattery=%s\n", text(loaded.hideBattery));
    return 0;
}

} // namespace

void addSettingsCommand(CLI::App& application, int& exitStatus) {
    auto* command = application.add_subcommand(
        "settings", "Print the settings the extension loads from a device root's preferences");
    auto root = std::make_shared<std::string>();
    command->add_option("--root", *root, "Device root (default: the bundled sample root)");
    command->callback([root, &exitStatus] { exitStatus = runSettings(*root); });
}

} // namespace velorin::tools
