// Reads and edits the extension's preference domain as the device stores it under a device
// root.
//
// The list is a property list whose top level is a dictionary; it is read in either form (XML
// or binary) exactly as the extension's preference store reads it, and written back in the
// form it was found in; a new list is binary, as the device's preference store writes it. Only the
// domain's known keys can be set or removed, each with the kind of value the extension reads for
// it; every other key already in the list is kept as it is.
//
// A list the extension refuses (too large, past the property-list limits, not a dictionary) is
// reported with the reason and never overwritten: the user's data might be in it. Writes are
// locked against each other, atomic, and stay inside the root (see PreferenceListWrite.h).
#pragma once

#include "common/Result.h"

#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace velorin::tools {

enum class PreferenceValueKind { Switch, SequenceName };

struct PreferenceKey {
    const char* name;
    PreferenceValueKind kind;
    // What the extension uses when the key is absent, as `get` prints it.
    const char* defaultValue;
    // What the key does, in a sentence.
    const char* meaning;
};

// The domain's keys, in the order the extension reads them.
std::span<const PreferenceKey> knownPreferenceKeys();

// The Velorin domain's file in the preferences folder under a device root, as a path on this
// machine; faults name it.
std::string preferenceFileUnderRoot(const std::string& root);

struct PreferenceReading {
    std::string key;
    // The stored value as text (a switch as true or false, a string as it stands, another kind
    // named in angle brackets), or none when the key is absent.
    std::optional<std::string> value;
    std::string defaultValue;
};

// Every known key of the domain under the device root `root`, in order. A list that does not
// exist holds no keys; one the extension refuses is a fault that says why.
common::Result<std::vector<PreferenceReading>> readPreferences(const std::string& root);
// One known key.
common::Result<PreferenceReading> readPreference(const std::string& root, const std::string& key);

// Stores `valueText` under `key`, typed as the key expects: a switch takes true, false, yes,
// no, 1 or 0 and is stored as a boolean; the sequence name takes any non-empty text. Makes the
// list when it is missing. Gives the warnings the stored value deserves, without refusing it:
// a sequence name that names no sequence in the root, or the extension left off.
common::Result<std::vector<std::string>>
setPreference(const std::string& root, const std::string& key, const std::string& valueText);
// Stores several keys in one locked write, each typed as `setPreference` types it: all of
// them or, when one is refused, none. Gives the same warnings.
common::Result<std::vector<std::string>>
setPreferences(const std::string& root,
               const std::vector<std::pair<std::string, std::string>>& keysAndValues);
// Removes `key`; a key or list that is already absent is left so.
common::Result<void> unsetPreference(const std::string& root, const std::string& key);

} // namespace velorin::tools
