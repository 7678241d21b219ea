// Output written whole: what a command writes appears complete at its place, or not at all.
//
// Everything is first written into a staging folder beside where it goes, which the command
// holds locked for as long as it lives, and moved into place at the end by one rename, or by
// one exchange with what it replaces. Until then, removing the staging folder and the folders
// made on the way to it undoes everything, and the objects below do that when they go without
// having been committed. A staging folder that nobody holds was left by a command killed
// outright (where it could not remove its own), and the next command writing into the same
// folder removes it. A single file is replaced the same way, through a temporary file beside
// it and a rename.
//
// Import and install stage a sequence folder beside the sequences (tools/common/
// StagedSequence), preview its output inside the output folder, the tools make the user's root
// beside where it goes, the soak and live exchange sequence folders of their private roots, pack
// writes its package as a file written whole, and the preference list, install's record of
// packages and live's recording are replaced whole.
//
// Where the file system cannot rename without replacing or exchange in one step (EINVAL from
// renameat2), the same outcome is reached in several renames: a check before the rename, or
// the first entry parked under a hidden name while the second moves. Readers may then see a
// name missing for a moment; nothing is lost.
#pragma once

#include "common/ExclusiveLock.h"
#include "common/Result.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace velorin::common {

// Staging folders beside what they become are hidden (".STEM-XXXXXX"); private folders in the
// system's temporary folder are not ("STEM-XXXXXX"), so that a user looking there sees whose
// they are.
enum class StagingName { Hidden, Visible };

// The folders that had to be made on the way to a folder. Unless kept, they are removed when
// the object goes, innermost first and only while empty, so that nothing someone else put
// there meanwhile is lost.
class MadeFolders {
public:
    // Makes `folder` and the folders above it that are missing; a fault (the system's reason)
    // when one cannot be made or the path is no folder, after removing what it made.
    static Result<MadeFolders> make(const std::filesystem::path& folder);

    MadeFolders() = default;
    MadeFolders(MadeFolders&& other) noexcept;
    MadeFolders& operator=(MadeFolders&& other) noexcept;
    ~MadeFolders();

    // They stay: what was written into them is in place.
    void keep() { m_made.clear(); }

private:
    void remove() noexcept;
    // Innermost first.
    std::vector<std::filesystem::path> m_made;
};

// A new locked staging folder. It is removed, with everything in it, when the object goes,
// unless it was moved into place (`moved`) first.
class StagingFolder {
public:
    // Makes "." `stem` "-XXXXXX" (without the dot when Visible) in `parent`, locked. The fault
    // carries the system's reason.
    static Result<StagingFolder> make(const std::filesystem::path& parent, std::string_view stem,
                                      StagingName naming = StagingName::Hidden);

    StagingFolder() = default;
    StagingFolder(StagingFolder&& other) noexcept;
    StagingFolder& operator=(StagingFolder&& other) noexcept;
    ~StagingFolder();

    const std::string& path() const { return m_path; }
    // Where a file of the staging folder is written.
    std::string pathOf(std::string_view relative) const;

    // The permissions a folder made with mkdir would have (mkdtemp makes it private), before
    // it is moved into place as a sequence or a root.
    void givePlainPermissions() const;
    // It has been moved into place: it is no longer there to remove. The lock goes with it.
    void moved();
    // Another folder now stands at the staging path (what an exchange put there), held by
    // `lock`; it is removed when this object goes.
    void holdInstead(ExclusiveLock lock);
    // Removes it now, with everything in it; a fault (the system's reason) when something
    // could not be removed, which is then left.
    Result<void> removeNow();

private:
    void remove() noexcept;
    std::string m_path;
    ExclusiveLock m_lock;
};

// Removes the staging folders in `parent` that no live command holds locked: those named "."
// something ending in `stem`, "-XXXXXX"; when Visible, those named exactly `stem` "-XXXXXX".
void removeAbandonedStagingFolders(const std::filesystem::path& parent, std::string_view stem,
                                   StagingName naming = StagingName::Hidden);

// Moves `from` to `to` without ever replacing what is at `to`: a fault with EEXIST (or
// ENOTEMPTY) as its error when something is there.
Result<void> moveIntoPlace(const std::string& from, const std::string& to);

// Exchanges the folders at `first` and `second`, in one step where the file system can.
Result<void> exchangeFolders(const std::string& first, const std::string& second);

// Puts `bytes` in place of the file `name` in `folder`: written to `temporaryName` beside it,
// given `mode`, and renamed over it, so that a reader sees the old file or the new one whole.
// Synced, the file and then the folder are flushed, so that the change outlives a crash.
enum class Durability { Synced, Unsynced };
Result<void> replaceFileWhole(int folder, const std::string& name,
                              std::span<const std::uint8_t> bytes, mode_t mode,
                              const std::string& temporaryName, Durability durability);
// The same for the file at `path`, through "NAME.velorin-new-PID" beside it.
Result<void> replaceFileWhole(const std::string& path, std::span<const std::uint8_t> bytes,
                              mode_t mode, Durability durability);

// The permissions a file made with open(2) would have: read and write for all, less the
// process's file-creation mask.
mode_t plainFileMode();

// Whether a file written whole (below) may take the place of a file already at its name.
// Something that is no regular file (a folder, a link) is never replaced.
enum class ExistingFile { Refuse, Replace };

// A new file written whole, too large to be held in memory first (a package): its bytes go into
// a file in a locked staging folder beside its place, "." NAME ".making-XXXXXX", and the file is
// moved onto its name by one rename when it is committed. Until then, nothing is at its name
// that was not there before; an uncommitted file goes with its staging folder, and the
// staging folders that commands killed outright left beside it are removed when the next one
// is made.
class WholeFile {
public:
    // Made beside `target`, in a folder that must exist. The fault carries the system's reason.
    static Result<WholeFile> make(const std::string& target);

    WholeFile() = default;

    // Where the bytes are written until the commit.
    int descriptor() const { return m_file.get(); }
    const std::string& target() const { return m_target; }

    // Flushes the file and moves it onto the target's name. A fault with EEXIST as its error when
    // something is there that `existing` does not let it replace: anything, with Refuse; with
    // Replace, anything but a regular file.
    Result<void> commit(ExistingFile existing);

private:
    std::string m_target;
    StagingFolder m_staging;
    platform::FileDescriptor m_file;
};

} // namespace velorin::common
