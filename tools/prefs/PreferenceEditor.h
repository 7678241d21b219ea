// Reads and edits the extension's preference domain file as the device stores it.
//
// The file is a property list whose top level is a dictionary; it is read in either form
// (XML or binary) and always written back as a binary list, as the device's preference store
// writes it. Only the domain's known keys can be set or removed, each with the kind of value
// the extension reads for it; every other key already in the file is kept as it is.
//
// A write replaces the file atomically: the new list goes to a temporary file in the same
// folder, is flushed to the disk, and is then renamed over the old one, so a reader sees
// either the old or the new file, never a part of one. A file that cannot be read as a
// property-list dictionary is never overwritten: the user's data might be in it.
#pragma once

#include "sim/Result.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velorin::tools {

enum class PreferenceValueKind { Switch, SequenceName };

struct PreferenceKey {
    const char* name;
    PreferenceValueKind kind;
    // What the extension uses when the key is absent, as `get` prints it.
    const char* defaultValue;
};

// The domain's keys, in the order the extension reads them.
std::span<const PreferenceKey> knownPreferenceKeys();

// The Velorin domain's file in the preferences folder under a device root.
std::string preferenceFileUnderRoot(const std::string& root);

struct PreferenceReading {
    std::string key;
    // The stored value as text (a switch as true or false, a string as it stands, another kind
    // named in angle brackets), or none when the key is absent.
    std::optional<std::string> value;
    std::string defaultValue;
};

// Every known key, in order. A file that does not exist holds no keys.
sim::Result<std::vector<PreferenceReading>> readPreferences(const std::string& file);
// One known key.
sim::Result<PreferenceReading> readPreference(const std::string& file, const std::string& key);

// Stores `valueText` under `key`, typed as the key expects: a switch takes true, false, yes,
// no, 1 or 0; the sequence name takes any non-empty text. Makes the file when it is missing.
sim::Result<void> setPreference(const std::string& file, const std::string& key,
                                const std::string& valueText);
// Removes `key`; a key or file that is already absent is left so.
sim::Result<void> unsetPreference(const std::string& file, const std::string& key);

} // namespace velorin::tools
