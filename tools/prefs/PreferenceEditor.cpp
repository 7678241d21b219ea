#include "tools/prefs/PreferenceEditor.h"

#include "common/QuoteText.h"
#include "platform/PropertyList.h"
#include "platform/RootedPath.h"
#include "platform/StringValues.h"
#include "sequences/SequenceDirectory.h"
#include "settings/Settings.h"
#include "sim/PrivatePreferenceDomain.h"
#include "tools/common/NearestName.h"
#include "tools/common/PreferenceListReading.h"
#include "tools/prefs/PreferenceListWrite.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fcntl.h>

namespace velorin::tools {

namespace {

constexpr std::array<PreferenceKey, 6> keys{{
    {enabledPreferenceKey, PreferenceValueKind::Switch, "false",
     "turns the extension on; read when the host starts, so it takes effect at its next launch"},
    {sequenceNamePreferenceKey, PreferenceValueKind::SequenceName, defaultSequenceName,
     "the sequence that plays: a folder name in the root's chargingSequences"},
    {loopPreferenceKey, PreferenceValueKind::Switch, "false",
     "plays the sequence again every four seconds for as long as the charger is in"},
    {noSleepPreferenceKey, PreferenceValueKind::Switch, "false",
     "with loopbatteryanimation, keeps the locked, lit screen from dimming while it plays"},
    {showOnWakePreferenceKey, PreferenceValueKind::Switch, "false",
     "without loopbatteryanimation, shows the sequence again when the screen wakes"},
    {hideBatteryPreferenceKey, PreferenceValueKind::Switch, "true",
     "hides the host's own charging view on the lock screen"},
}};

std::string knownKeyList() {
    std::string list;
    for (const PreferenceKey& key : keys)
        list += (list.empty() ? "" : ", ") + std::string(key.name);
    return list;
}

std::vector<std::string> knownKeyNames() {
    std::vector<std::string> names;
    for (const PreferenceKey& key : keys)
        names.emplace_back(key.name);
    return names;
}

// A fault about a key names only the key: the list it would be read from is not at fault.
common::Result<const PreferenceKey*> findKey(const std::string& name) {
    for (const PreferenceKey& key : keys) {
        if (name == key.name)
            return &key;
    }
    return common::Fault("unknown key " + common::quoteText(name) +
                         didYouMean(name, knownKeyNames()) + " (known keys: " + knownKeyList() +
                         ")");
}

// The domain's dictionary as the extension reads it: empty when the list does not exist, a
// fault naming the list and why the extension reads no keys from it when it refuses the list.
common::Result<platform::PropertyListDictionary> loadDomain(const std::string& root) {
    PreferenceListReading reading = readRootPreferenceList(root);
    if (reading.state == PreferenceListReading::State::Refused)
        return common::Fault(preferenceFileUnderRoot(root),
                             reading.refusal + "; " + refusedListConsequence);
    return std::move(reading.dictionary);
}

// The stored value as `get` prints it.
std::string valueText(const platform::PropertyValue& value) {
    switch (value.kind) {
    case platform::PropertyKind::Boolean:
        return std::get<bool>(value.value) ? "true" : "false";
    case platform::PropertyKind::Integer:
        return std::to_string(std::get<std::int64_t>(value.value));
    case platform::PropertyKind::Real: {
        char text[64];
        std::snprintf(text, sizeof text, "%g", std::get<double>(value.value));
        return text;
    }
    case platform::PropertyKind::String:
        return *value.stringValue();
    case platform::PropertyKind::Data:
        return "<data>";
    case platform::PropertyKind::Date:
        return "<date>";
    case platform::PropertyKind::Array:
        return "<array>";
    case platform::PropertyKind::Dictionary:
        return "<dictionary>";
    case platform::PropertyKind::Other:
        break;
    }
    return "<other>";
}

PreferenceReading readKey(const platform::PropertyListDictionary& domain,
                          const PreferenceKey& key) {
    PreferenceReading reading{key.name, std::nullopt, key.defaultValue};
    if (auto value = domain.get(key.name))
        reading.value = valueText(*value);
    return reading;
}

std::optional<bool> parseSwitch(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char character) { return std::tolower(character); });
    if (text == "true" || text == "yes" || text == "1")
        return true;
    if (text == "false" || text == "no" || text == "0")
        return false;
    return std::nullopt;
}

// Whether the root holds a folder for the sequence `name`, looked up inside the root as the
// extension looks it up.
bool sequenceFolderExists(const std::string& root, const std::string& name) {
    auto directory = sequenceDirectory(name);
    if (!directory)
        return false;
    platform::FileDescriptor rootFolder = platform::openRootFolder(root);
    if (!rootFolder)
        return false;
    return static_cast<bool>(
        platform::openInRoot(rootFolder.get(), *directory, O_RDONLY | O_DIRECTORY));
}

// The value `valueText` stands for under `key`, typed as the key expects.
common::Result<platform::PropertyValue> typedValue(const std::string& key,
                                                   const std::string& valueText) {
    auto known = TRY(findKey(key));
    if (known->kind == PreferenceValueKind::Switch) {
        auto parsed = parseSwitch(valueText);
        if (!parsed)
            return common::Fault(common::quoteText(key) +
                                 " takes true or false (or yes, no, 1, 0), not " +
                                 common::quoteText(valueText) +
                                 didYouMean(valueText, {"true", "false", "yes", "no"}));
        return platform::PropertyValue::boolean(*parsed);
    }
    if (valueText.empty())
        return common::Fault(common::quoteText(key) +
                             " takes a sequence name; an empty one chooses none (use "
                             "unset to go back to the default)");
    return platform::PropertyValue::string(valueText);
}

} // namespace

std::span<const PreferenceKey> knownPreferenceKeys() {
    return keys;
}

std::string preferenceFileUnderRoot(const std::string& root) {
    return sim::rootPreferenceFilePath(root, preferenceDomain);
}

common::Result<std::vector<PreferenceReading>> readPreferences(const std::string& root) {
    auto domain = TRY(loadDomain(root));
    std::vector<PreferenceReading> readings;
    for (const PreferenceKey& key : keys)
        readings.push_back(readKey(domain, key));
    return readings;
}

common::Result<PreferenceReading> readPreference(const std::string& root, const std::string& key) {
    auto known = TRY(findKey(key));
    auto domain = TRY(loadDomain(root));
    return readKey(domain, *known);
}

common::Result<std::vector<std::string>>
setPreference(const std::string& root, const std::string& key, const std::string& valueText) {
    return setPreferences(root, {{key, valueText}});
}

common::Result<std::vector<std::string>>
setPreferences(const std::string& root,
               const std::vector<std::pair<std::string, std::string>>& keysAndValues) {
    std::vector<std::pair<std::string, platform::PropertyValue>> typed;
    for (const auto& [key, valueText] : keysAndValues) {
        auto value = TRY(typedValue(key, valueText));
        typed.emplace_back(key, std::move(value));
    }
    bool enabled = false;
    auto written = editPreferenceList(
        root, MissingList::Create, [&](platform::PropertyListDictionary& dictionary) {
            for (const auto& [key, value] : typed)
                dictionary.set(key, value);
            auto stored = dictionary.get(enabledPreferenceKey);
            // Read as the extension reads a switch.
            enabled = stored &&
                      (stored->isNumber() || stored->kind == platform::PropertyKind::String) &&
                      platform::boolValue(*stored);
            return ListChange::Changed;
        });
    if (!written)
        return written.fault();
    std::vector<std::string> warnings;
    for (const auto& [key, valueText] : keysAndValues) {
        if (key == sequenceNamePreferenceKey && !sequenceFolderExists(root, valueText))
            warnings.push_back(common::quoteText(valueText) + " names no sequence in " + root +
                               "; the lock screen will show an empty animation (" +
                               "`velorin-sim list` shows the sequences there)");
    }
    const bool switchSet =
        std::any_of(keysAndValues.begin(), keysAndValues.end(), [](const auto& keyAndValue) {
            return keyAndValue.first == enabledPreferenceKey;
        });
    if (!enabled && switchSet)
        warnings.push_back("the extension is now off: from the host's next launch the lock "
                           "screen shows no charging animation");
    else if (!enabled)
        warnings.push_back(std::string("the extension is off: set ") + enabledPreferenceKey +
                           " to true to see it (it takes effect at the host's next launch)");
    return warnings;
}

common::Result<void> unsetPreference(const std::string& root, const std::string& key) {
    TRY(findKey(key));
    return editPreferenceList(
        root, MissingList::LeaveAbsent, [&](platform::PropertyListDictionary& dictionary) {
            return dictionary.remove(key) ? ListChange::Changed : ListChange::Unchanged;
        });
}

} // namespace velorin::tools
