#include "tools/prefs/PreferenceEditor.h"

#include "platform/PropertyList.h"
#include "settings/Settings.h"
#include "sim/PrivatePreferenceDomain.h"
#include "sim/QuoteText.h"
#include "tools/common/PreferenceListReading.h"
#include "tools/prefs/PreferenceListWrite.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace velorin::tools {

namespace {

constexpr std::array<PreferenceKey, 6> keys{{
    {enabledPreferenceKey, PreferenceValueKind::Switch, "false"},
    {sequenceNamePreferenceKey, PreferenceValueKind::SequenceName, defaultSequenceName},
    {loopPreferenceKey, PreferenceValueKind::Switch, "false"},
    {noSleepPreferenceKey, PreferenceValueKind::Switch, "false"},
    {showOnWakePreferenceKey, PreferenceValueKind::Switch, "false"},
    {hideBatteryPreferenceKey, PreferenceValueKind::Switch, "true"},
}};

std::string knownKeyList() {
    std::string list;
    for (const PreferenceKey& key : keys)
        list += (list.empty() ? "" : ", ") + std::string(key.name);
    return list;
}

sim::Result<const PreferenceKey*> findKey(const std::string& file, const std::string& name) {
    for (const PreferenceKey& key : keys) {
        if (name == key.name)
            return &key;
    }
    return sim::Fault(file, "unknown key " + sim::quoteText(name) +
                                " (known keys: " + knownKeyList() + ")");
}

// The domain's dictionary as the extension reads it: empty when the list does not exist, a
// fault naming the list and why the extension reads no keys from it when it refuses the list.
sim::Result<platform::PropertyListDictionary> loadDomain(const std::string& root) {
    PreferenceListReading reading = readRootPreferenceList(root);
    if (reading.state == PreferenceListReading::State::Refused)
        return sim::Fault(preferenceFileUnderRoot(root),
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

// The value `valueText` stands for under `key`, typed as the key expects.
sim::Result<platform::PropertyValue> typedValue(const std::string& file, const std::string& key,
                                                const std::string& valueText) {
    auto known = findKey(file, key);
    if (!known)
        return known.fault();
    if (known.value()->kind == PreferenceValueKind::Switch) {
        auto parsed = parseSwitch(valueText);
        if (!parsed)
            return sim::Fault(file, sim::quoteText(key) +
                                        " takes true or false (or yes, no, 1, 0), not " +
                                        sim::quoteText(valueText));
        return platform::PropertyValue::boolean(*parsed);
    }
    if (valueText.empty())
        return sim::Fault(file, sim::quoteText(key) +
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

sim::Result<std::vector<PreferenceReading>> readPreferences(const std::string& root) {
    auto domain = loadDomain(root);
    if (!domain)
        return domain.fault();
    std::vector<PreferenceReading> readings;
    for (const PreferenceKey& key : keys)
        readings.push_back(readKey(domain.value(), key));
    return readings;
}

sim::Result<PreferenceReading> readPreference(const std::string& root, const std::string& key) {
    auto known = findKey(preferenceFileUnderRoot(root), key);
    if (!known)
        return known.fault();
    auto domain = loadDomain(root);
    if (!domain)
        return domain.fault();
    return readKey(domain.value(), *known.value());
}

sim::Result<void> setPreference(const std::string& root, const std::string& key,
                                const std::string& valueText) {
    return setPreferences(root, {{key, valueText}});
}

sim::Result<void>
setPreferences(const std::string& root,
               const std::vector<std::pair<std::string, std::string>>& keysAndValues) {
    const std::string file = preferenceFileUnderRoot(root);
    std::vector<std::pair<std::string, platform::PropertyValue>> typed;
    for (const auto& [key, valueText] : keysAndValues) {
        auto value = typedValue(file, key, valueText);
        if (!value)
            return value.fault();
        typed.emplace_back(key, std::move(value.value()));
    }
    return editPreferenceList(root, MissingList::Create,
                              [&](platform::PropertyListDictionary& dictionary) {
                                  for (const auto& [key, value] : typed)
                                      dictionary.set(key, value);
                                  return ListChange::Changed;
                              });
}

sim::Result<void> unsetPreference(const std::string& root, const std::string& key) {
    auto known = findKey(preferenceFileUnderRoot(root), key);
    if (!known)
        return known.fault();
    return editPreferenceList(
        root, MissingList::LeaveAbsent, [&](platform::PropertyListDictionary& dictionary) {
            return dictionary.remove(key) ? ListChange::Changed : ListChange::Unchanged;
        });
}

} // namespace velorin::tools
