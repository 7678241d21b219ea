// A preference list read as the extension's preference store reads it, with the reason when
// the store would read no keys from it.
//
// The store takes a regular file of at most `preferenceListByteLimit` bytes whose property list
// is within the platform's limits and holds a dictionary; anything else holds no keys and every
// setting has its default. The tools read the same way, so that `settings`, `prefs` and the
// simulator agree with the extension, and they say why a list was refused instead of showing
// bare defaults.
#pragma once

#include "common/Result.h"
#include "platform/PropertyList.h"
#include "platform/RootedPath.h"
#include "settings/Settings.h"

#include <string>

namespace velorin::tools {

struct PreferenceListReading {
    enum class State { Missing, Refused, Read };
    State state{State::Missing};
    // The list's keys when it was read; empty otherwise.
    platform::PropertyListDictionary dictionary;
    // The form the list was found in, when it was read; a list written back keeps it.
    platform::PropertyListFormat format{platform::PropertyListFormat::Binary};
    // Why the list holds no keys for the extension, as a sentence about the file, e.g. "is
    // 64 GiB, larger than the 1 MiB the extension reads".
    std::string refusal;
};

// Reads the list as it was opened (read-only); a failed open is Missing when the list does not
// exist (ENOENT), and Refused with the system's reason otherwise.
PreferenceListReading
readOpenedPreferenceList(const common::Result<platform::FileDescriptor>& opened);

// The Velorin domain's list under a device root, opened inside the root as the extension opens
// it.
PreferenceListReading readRootPreferenceList(const std::string& deviceRoot);

// The settings the extension loads from a list, read as it reads them: every default when the
// list is missing or refused.
Settings settingsIn(const PreferenceListReading& reading);

// The same from the Velorin domain's list under a device root. The process's own settings and
// device root are left as they are.
Settings readRootSettings(const std::string& deviceRoot);

// What a refusal means for the extension, to follow the refusal in a message.
inline constexpr const char* refusedListConsequence =
    "the extension reads no keys from it, so every setting has its default";

} // namespace velorin::tools
