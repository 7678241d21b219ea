// The hidden staging folders in which the commands build what they write, before moving it into
// place whole: a sequence being imported or installed, a preview's output.
//
// A command holds a lock on its staging folder for as long as it lives, so that a staging
// folder nobody holds was left by a command killed outright (where it could not remove its own)
// and the next command writing into the same folder removes it. Locks are flock(2) locks, which
// the system drops when the holder dies, however it dies.
#pragma once

#include "platform/RootedPath.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace velorin::common {

enum class LockWait { Wait, GiveUp };
// Staging folders beside what they become are hidden (".STEM-XXXXXX"); private folders in the
// system's temporary folder are not ("STEM-XXXXXX").
enum class StagingName { Hidden, Visible };

// A new hidden folder "." `stem` "-XXXXXX" in `parent`, not locked; empty on failure, with
// errno set.
std::string makeHiddenFolder(const std::filesystem::path& parent, const std::string& stem);

// A new folder "." `stem` "-XXXXXX" (or without the dot, when Visible) in `parent`, locked for
// as long as `lock` stays open; empty on failure, with errno set.
std::string makeLockedStagingFolder(const std::filesystem::path& parent, const std::string& stem,
                                    platform::FileDescriptor& lock,
                                    StagingName naming = StagingName::Hidden);

// Gives the staging folder held by `lock` the permissions a folder made with mkdir would have
// (mkdtemp makes it private), before it is moved into place as a sequence or a root.
void givePlainFolderPermissions(const platform::FileDescriptor& lock);

// Opens the folder at `path` and holds an exclusive lock on it: an invalid descriptor when it
// is gone, is no folder, or (with GiveUp) another process holds it. The lock is always on the
// folder that is at `path` when this returns.
platform::FileDescriptor lockFolder(const std::string& path, LockWait wait);

// Removes the staging folders in `parent` that no live command holds locked: those named "."
// something ending in `stem`, "-XXXXXX"; when Visible, those named exactly `stem` "-XXXXXX".
void removeAbandonedStagingFolders(const std::filesystem::path& parent, std::string_view stem,
                                   StagingName naming = StagingName::Hidden);

} // namespace velorin::common
