// velorin-sim prefs: read and edit a device root's Velorin preference domain.
//
//   prefs                   every key with its meaning, kind, default and current value
//   prefs get [KEY]         every known key, or one, as key=value
//   prefs set KEY VALUE     store a value, typed as the key expects
//   prefs unset KEY         remove a key, so the extension uses its default
//
// Each takes --root DIR (default: your own). The extension reads the file
// afresh at its next settings load; a running host learns of the change from the settings
// notification, which this command does not post.
#include "tools/common/Commands.h"
#include "tools/common/FaultReport.h"
#include "tools/common/SampleRoot.h"
#include "tools/common/TerminalColour.h"
#include "tools/prefs/PreferenceEditor.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

namespace velorin::tools {

namespace {

struct PrefsArguments {
    std::string root;
    std::string key;
    std::string value;
};

void print(const PreferenceReading& reading) {
    if (reading.value)
        std::printf("%s=%s\n", reading.key.c_str(), reading.value->c_str());
    else
        std::printf("%s is not set (the extension uses %s)\n", reading.key.c_str(),
                    reading.defaultValue.c_str());
}

int runGet(const PrefsArguments& arguments) {
    auto root = chooseDeviceRoot(arguments.root);
    if (!root)
        return report(root.fault());
    if (!arguments.key.empty()) {
        auto reading = readPreference(root.value(), arguments.key);
        if (!reading)
            return report(reading.fault());
        print(reading.value());
        return 0;
    }
    auto readings = readPreferences(root.value());
    if (!readings)
        return report(readings.fault());
    for (const PreferenceReading& reading : readings.value())
        print(reading);
    return 0;
}

int runSet(const PrefsArguments& arguments) {
    auto root = chooseDeviceRoot(arguments.root, RootAccess::Write);
    if (!root)
        return report(root.fault());
    auto result = setPreference(root.value(), arguments.key, arguments.value);
    if (!result)
        return report(result.fault());
    for (const std::string& warning : result.value())
        printWarning(warning);
    return 0;
}

const char* kindName(PreferenceValueKind kind) {
    return kind == PreferenceValueKind::Switch ? "switch" : "text";
}

// Every key, what it does, what it takes, and what it is now.
int runOverview(const PrefsArguments& arguments) {
    auto root = chooseDeviceRoot(arguments.root);
    if (!root)
        return report(root.fault());
    auto readings = readPreferences(root.value());
    if (!readings)
        return report(readings.fault());
    std::printf("Preferences of %s\n", preferenceFileUnderRoot(root.value()).c_str());
    std::size_t index = 0;
    for (const PreferenceKey& key : knownPreferenceKeys()) {
        const PreferenceReading& reading = readings.value()[index++];
        std::printf("\n%s (%s, default %s): %s\n", key.name, kindName(key.kind), key.defaultValue,
                    reading.value ? reading.value->c_str() : "not set, so the default");
        std::printf("  %s\n", key.meaning);
    }
    std::printf("\nA switch takes true or false (or yes, no, 1, 0). Change one with\n"
                "`velorin-sim prefs set KEY VALUE`; `prefs unset KEY` goes back to the "
                "default.\n");
    return 0;
}

int runUnset(const PrefsArguments& arguments) {
    auto root = chooseDeviceRoot(arguments.root, RootAccess::Write);
    if (!root)
        return report(root.fault());
    auto result = unsetPreference(root.value(), arguments.key);
    return result ? 0 : report(result.fault());
}

CLI::App* addAction(CLI::App& prefs, const char* name, const char* description,
                    const std::shared_ptr<PrefsArguments>& arguments) {
    auto* action = prefs.add_subcommand(name, description);
    action->add_option("--root", arguments->root, "Device root (default: your own)");
    return action;
}

} // namespace

CommandRun addPrefsOptions(CLI::App& prefs) {
    prefs.require_subcommand(0, 1);
    auto arguments = std::make_shared<PrefsArguments>();
    prefs.add_option("--root", arguments->root, "Device root (default: your own)");
    auto* get = addAction(prefs, "get", "Print every known key, or one, as key=value", arguments);
    get->add_option("KEY", arguments->key, "The key to print");
    auto* set = addAction(prefs, "set", "Store a value under a key", arguments);
    set->add_option("KEY", arguments->key, "The key to set")->required();
    set->add_option("VALUE", arguments->value, "true/false for a switch, or a sequence name")
        ->required();
    auto* unset = addAction(prefs, "unset", "Remove a key, so its default applies", arguments);
    unset->add_option("KEY", arguments->key, "The key to remove")->required();
    // Without an action, every key is explained.
    return [get, set, unset, arguments] {
        if (get->parsed())
            return runGet(*arguments);
        if (set->parsed())
            return runSet(*arguments);
        if (unset->parsed())
            return runUnset(*arguments);
        return runOverview(*arguments);
    };
}

} // namespace velorin::tools
