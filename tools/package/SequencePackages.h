// Which package each sequence of a device root came from, for `list`.
//
// On a phone, dpkg's own database says which package owns a folder. The simulated root has no
// dpkg, so install keeps its own record: one JSON file, installedPackages.json, in the Velorin
// folder beside chargingSequences/ rather than inside it, so that nothing that lists the
// sequences (the extension, a settings pane, `list`) ever takes it for a sequence, and the
// extension, which reads only the chosen sequence's folder, never reads it. Each sequence's
// entry keeps a fingerprint of the folder as installed (the names and sizes of its files), so
// that a sequence changed since, by a later install or by hand, is not passed off as the
// package's. The record is read within a bound and rewritten whole under a lock.
#pragma once

#include "common/Result.h"

#include <map>
#include <optional>
#include <string>

namespace velorin::tools {

struct PackageOrigin {
    std::string identifier;
    std::string version;
    std::string fingerprint;
};

// What the root's record says: each sequence's name with the package it came from. A record
// that is missing or unreadable says nothing.
std::map<std::string, PackageOrigin> readSequencePackages(const std::string& root);

// Records the sequences given as coming from their packages, keeping the rest; gives the
// record's former text (none when there was none) so that the change can be undone.
common::Result<std::optional<std::string>>
recordSequencePackages(const std::string& root, const std::map<std::string, PackageOrigin>& added);

// Puts the former text back (none removes the record).
common::Result<void> restoreSequencePackages(const std::string& root,
                                             const std::optional<std::string>& former);

// The fingerprint of a sequence folder as it is now: the names and sizes of its files.
std::string sequenceFingerprint(const std::string& folder);

} // namespace velorin::tools
