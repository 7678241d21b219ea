#include "tools/import/StagedSequence.h"

#include "common/StagingFolders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <vector>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

// The end of a staging folder's stem: ".NAME.importing-XXXXXX".
constexpr std::string_view stagingStemEnd = ".importing";

bool isNameCharacter(char character) {
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
           (character >= '0' && character <= '9') || character == '-' || character == '_' ||
           character == '.';
}

// Renames without ever replacing what is at `to`. False with errno set on failure; EEXIST when
// `to` exists.
bool renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: check first, then rename. rename() would replace only
    // an empty folder, and only one made in the moment between the two calls.
    std::error_code error;
    if (fs::exists(fs::symlink_status(to, error))) {
        errno = EEXIST;
        return false;
    }
    return std::rename(from.c_str(), to.c_str()) == 0;
}

// Puts the folder at `incoming` where `destination` is, and gives where the folder that was at
// `destination` is now: at `incoming`'s path, by one atomic exchange, or, where the file system
// cannot exchange, in a new hidden folder beside the destination whose name starts with
// `asideStem` (the old folder steps aside, the incoming one moves in, and the old one comes back
// should that fail). On failure nothing has moved, and the fault says why.
common::Result<std::string> swapFolders(const std::string& incoming, const std::string& destination,
                                        const std::string& asideStem) {
    if (::renameat2(AT_FDCWD, incoming.c_str(), AT_FDCWD, destination.c_str(), RENAME_EXCHANGE) ==
        0)
        return incoming;
    if (errno != EINVAL && errno != ENOSYS)
        return common::Fault{std::strerror(errno)};
    std::error_code error;
    std::string aside = common::makeHiddenFolder(
        fs::path(destination).parent_path(), fs::path(destination).filename().string() + asideStem);
    if (aside.empty() || std::rename(destination.c_str(), aside.c_str()) != 0) {
        fs::remove(aside, error);
        return common::Fault{"it cannot be moved aside"};
    }
    if (std::rename(incoming.c_str(), destination.c_str()) != 0) {
        std::rename(aside.c_str(), destination.c_str());
        return common::Fault{"the folder to put in its place cannot move in"};
    }
    return aside;
}

common::Result<void> checkExisting(const std::string& destination, ExistingSequence existing) {
    std::error_code error;
    fs::file_status status = fs::symlink_status(destination, error);
    if (!fs::exists(status))
        return {};
    if (!fs::is_directory(status))
        return common::Fault{destination, "exists and is not a sequence folder; it is left alone"};
    if (existing == ExistingSequence::Refuse)
        return common::Fault{destination, "already exists (--replace replaces it)"};
    return {};
}

} // namespace

common::Result<std::unique_ptr<StagedSequence>> StagedSequence::open(const std::string& parent,
                                                                     const std::string& name,
                                                                     ExistingSequence existing) {
    if (auto problem = sequenceNameProblem(name))
        return common::Fault{name, *problem};
    std::string destination = (fs::path(parent) / name).string();
    if (auto result = checkExisting(destination, existing); !result)
        return result.fault();
    std::error_code error;
    std::vector<std::string> made;
    for (fs::path folder = fs::absolute(parent, error).lexically_normal();
         !folder.empty() && !fs::exists(folder, error); folder = folder.parent_path()) {
        made.push_back(folder.string());
        if (folder == folder.parent_path())
            break;
    }
    fs::create_directories(parent, error);
    if (error || !fs::is_directory(parent, error)) {
        for (const std::string& folder : made)
            fs::remove(folder, error);
        return common::Fault{parent, "cannot make the folder the sequence goes into"};
    }
    common::removeAbandonedStagingFolders(parent, stagingStemEnd);
    platform::FileDescriptor lock;
    std::string staging =
        common::makeLockedStagingFolder(parent, name + std::string(stagingStemEnd), lock);
    if (staging.empty()) {
        std::string reason = std::strerror(errno);
        for (const std::string& folder : made)
            fs::remove(folder, error);
        return common::Fault{parent, "cannot write here: " + reason};
    }
    std::unique_ptr<StagedSequence> staged(new StagedSequence(destination, staging, existing));
    staged->m_madeFolders = std::move(made);
    staged->m_stagingLock = std::move(lock);
    return staged;
}

StagedSequence::StagedSequence(std::string destination, std::string staging,
                               ExistingSequence existing)
    : m_destination(std::move(destination)), m_staging(std::move(staging)), m_existing(existing) {
}

StagedSequence::~StagedSequence() {
    if (m_committed) {
        finishCommit();
        return;
    }
    std::error_code error;
    fs::remove_all(m_staging, error);
    // Only folders that are still empty go: nothing that someone else put there meanwhile.
    for (const std::string& folder : m_madeFolders)
        fs::remove(folder, error);
}

std::string StagedSequence::stagedPath(const std::string& file) const {
    return (fs::path(m_staging) / file).string();
}

common::Result<std::optional<std::string>> StagedSequence::commit(ReplacedSequence replaced) {
    // Checked again: the destination may have appeared while the frames were written.
    if (auto result = checkExisting(m_destination, m_existing); !result)
        return result.fault();
    common::givePlainFolderPermissions(m_stagingLock);
    if (renameWithoutReplacing(m_staging, m_destination)) {
        m_committed = true;
        return std::optional<std::string>();
    }
    if (errno != EEXIST && errno != ENOTEMPTY)
        return common::Fault{m_destination,
                             std::string("cannot move into place: ") + std::strerror(errno)};
    if (m_existing == ExistingSequence::Refuse)
        return common::Fault{m_destination, "already exists (--replace replaces it)"};
    if (auto result = checkExisting(m_destination, m_existing); !result)
        return result.fault();
    // The replaced sequence will wait at the staging path, where a sweep by another command
    // would take it for abandoned; it is locked before it moves there.
    platform::FileDescriptor replacedLock =
        common::lockFolder(m_destination, common::LockWait::Wait);
    if (!replacedLock)
        return common::Fault{m_destination,
                             std::string("cannot be replaced: ") + std::strerror(errno)};
    // The new sequence goes in place, and the old one where the staging was (or beside it).
    auto swapped = swapFolders(m_staging, m_destination, ".replaced");
    if (!swapped)
        return common::Fault{m_destination, "cannot be replaced: " + swapped.fault().message};
    m_staging = std::move(swapped).value();
    m_committed = true;
    m_replacedKept = true;
    m_stagingLock = std::move(replacedLock);
    if (replaced == ReplacedSequence::KeepUntilFinished)
        return std::optional<std::string>();
    return finishCommit();
}

std::optional<std::string> StagedSequence::finishCommit() {
    if (!m_committed || !m_replacedKept)
        return std::nullopt;
    m_replacedKept = false;
    std::error_code error;
    fs::remove_all(m_staging, error);
    if (error)
        return "the replaced sequence could not be removed; it is left in " + m_staging;
    return std::nullopt;
}

common::Result<void> StagedSequence::undoCommit() {
    if (!m_committed)
        return {};
    std::error_code error;
    if (m_replacedKept) {
        // The same swap again puts the old sequence back and the new one aside.
        auto swapped = swapFolders(m_staging, m_destination, ".undone");
        if (!swapped)
            return common::Fault{m_destination, "cannot be put back (" + swapped.fault().message +
                                                    "); the replaced sequence is left in " +
                                                    m_staging};
        m_staging = std::move(swapped).value();
        m_replacedKept = false;
    } else {
        // Moved out of sight first, so that nobody sees it half removed.
        std::string aside =
            common::makeHiddenFolder(fs::path(m_destination).parent_path(),
                                     fs::path(m_destination).filename().string() + ".undone");
        // The hidden folder is empty, so the rename replaces it.
        if (aside.empty() || std::rename(m_destination.c_str(), aside.c_str()) != 0) {
            std::string reason = std::strerror(errno);
            fs::remove(aside, error);
            return common::Fault{m_destination, "cannot be taken out again: " + reason};
        }
        m_staging = aside;
    }
    m_committed = false;
    fs::remove_all(m_staging, error);
    return {};
}

std::optional<std::string> sequenceNameProblem(std::string_view name) {
    if (name.empty())
        return std::string("is no sequence name (it is empty)");
    if (name == "." || name == ".." || name.front() == '.')
        return std::string("is no sequence name (it would be hidden or a path)");
    for (char character : name) {
        if (!isNameCharacter(character))
            return std::string("is no sequence name: use ASCII letters, digits, '-', '_' and '.' "
                               "only");
    }
    return std::nullopt;
}

std::string sequenceNameFromSource(const std::string& source) {
    std::error_code error;
    fs::path path = fs::absolute(source, error).lexically_normal();
    if (path.filename().empty())
        path = path.parent_path();
    std::string stem =
        fs::is_directory(source, error) ? path.filename().string() : path.stem().string();
    std::string name;
    for (char character : stem) {
        char kept = isNameCharacter(character) ? character : '-';
        if (kept == '-' && !name.empty() && name.back() == '-')
            continue;
        name += kept;
    }
    while (!name.empty() && (name.front() == '.' || name.front() == '-'))
        name.erase(name.begin());
    while (!name.empty() && name.back() == '-')
        name.pop_back();
    return name.empty() ? "imported" : name;
}

} // namespace velorin::tools
