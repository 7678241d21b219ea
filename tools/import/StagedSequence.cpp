#include "tools/import/StagedSequence.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <vector>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

bool isNameCharacter(char character) {
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
           (character >= '0' && character <= '9') || character == '-' || character == '_' ||
           character == '.';
}

// A new hidden folder inside `parent` whose name starts with `stem`; empty on failure.
std::string makeHiddenFolder(const fs::path& parent, const std::string& stem) {
    std::string pattern = (parent / ("." + stem + "-XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data()))
        return {};
    return name.data();
}

// The infix of a staging folder's name: ".NAME.importing-XXXXXX".
constexpr std::string_view stagingInfix = ".importing-";

bool isStagingName(std::string_view name) {
    std::size_t infix = name.rfind(stagingInfix);
    return name.starts_with('.') && infix != std::string_view::npos && infix > 0 &&
           name.size() - infix - stagingInfix.size() == 6;
}

// Opens the folder at `path` and holds an exclusive lock on it; an invalid descriptor when it
// is gone, is no folder, or another process holds it (with `wait` false). The lock is checked
// to be on the folder that is still at `path`, since one removed or swapped meanwhile would
// protect nothing.
platform::FileDescriptor lockFolder(const std::string& path, bool wait) {
    for (;;) {
        platform::FileDescriptor folder(
            ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder)
            return folder;
        while (::flock(folder.get(), LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
            if (errno != EINTR)
                return platform::FileDescriptor();
        }
        struct stat locked {};
        struct stat there {};
        if (::fstat(folder.get(), &locked) != 0)
            return platform::FileDescriptor();
        if (::lstat(path.c_str(), &there) == 0 && there.st_dev == locked.st_dev &&
            there.st_ino == locked.st_ino)
            return folder;
        if (!wait)
            return platform::FileDescriptor();
    }
}

// Removes the staging folders in `parent` that no live import or install holds: those of a
// command killed before it could remove its own. A live command holds a lock on its staging
// folder from the moment it makes it, so one that can be locked here is abandoned.
void removeAbandonedStaging(const fs::path& parent) {
    std::vector<std::string> abandoned;
    if (std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(parent.c_str()), ::closedir);
        listing) {
        while (const dirent* entry = ::readdir(listing.get())) {
            if (isStagingName(entry->d_name))
                abandoned.emplace_back(entry->d_name);
        }
    }
    for (const std::string& name : abandoned) {
        std::string path = (parent / name).string();
        platform::FileDescriptor held = lockFolder(path, false);
        if (!held)
            continue;
        std::error_code error;
        fs::remove_all(path, error);
    }
}

// A new staging folder for `name` in `parent`, locked for as long as the returned descriptor
// is open; empty on failure, with errno set.
std::string makeStagingFolder(const fs::path& parent, const std::string& name,
                              platform::FileDescriptor& lock) {
    // Another command's sweep may take a folder in the moment between its making and its lock;
    // a new one is made then.
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string staging = makeHiddenFolder(parent, name + ".importing");
        if (staging.empty())
            return {};
        lock = lockFolder(staging, false);
        if (lock)
            return staging;
    }
    errno = EBUSY;
    return {};
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

sim::Result<void> checkExisting(const std::string& destination, ExistingSequence existing) {
    std::error_code error;
    fs::file_status status = fs::symlink_status(destination, error);
    if (!fs::exists(status))
        return {};
    if (!fs::is_directory(status))
        return sim::Fault{destination, "exists and is not a sequence folder; it is left alone"};
    if (existing == ExistingSequence::Refuse)
        return sim::Fault{destination, "already exists (--replace replaces it)"};
    return {};
}

} // namespace

sim::Result<std::unique_ptr<StagedSequence>> StagedSequence::open(const std::string& parent,
                                                                  const std::string& name,
                                                                  ExistingSequence existing) {
    if (auto problem = sequenceNameProblem(name))
        return sim::Fault{name, *problem};
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
        return sim::Fault{parent, "cannot make the folder the sequence goes into"};
    }
    removeAbandonedStaging(parent);
    platform::FileDescriptor lock;
    std::string staging = makeStagingFolder(parent, name, lock);
    if (staging.empty()) {
        std::string reason = std::strerror(errno);
        for (const std::string& folder : made)
            fs::remove(folder, error);
        return sim::Fault{parent, "cannot write here: " + reason};
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

sim::Result<std::optional<std::string>> StagedSequence::commit(ReplacedSequence replaced) {
    // Checked again: the destination may have appeared while the frames were written.
    if (auto result = checkExisting(m_destination, m_existing); !result)
        return result.fault();
    if (renameWithoutReplacing(m_staging, m_destination)) {
        m_committed = true;
        return std::optional<std::string>();
    }
    if (errno != EEXIST && errno != ENOTEMPTY)
        return sim::Fault{m_destination,
                          std::string("cannot move into place: ") + std::strerror(errno)};
    if (m_existing == ExistingSequence::Refuse)
        return sim::Fault{m_destination, "already exists (--replace replaces it)"};
    if (auto result = checkExisting(m_destination, m_existing); !result)
        return result.fault();
    std::error_code error;
    // The replaced sequence will wait at the staging path, where a sweep by another command
    // would take it for abandoned; it is locked before it moves there.
    platform::FileDescriptor replacedLock = lockFolder(m_destination, true);
    if (!replacedLock)
        return sim::Fault{m_destination,
                          std::string("cannot be replaced: ") + std::strerror(errno)};
    // One exchange puts the new sequence in place and the old one where the staging was.
    if (::renameat2(AT_FDCWD, m_staging.c_str(), AT_FDCWD, m_destination.c_str(),
                    RENAME_EXCHANGE) != 0) {
        if (errno != EINVAL && errno != ENOSYS)
            return sim::Fault{m_destination,
                              std::string("cannot be replaced: ") + std::strerror(errno)};
        // Without the exchange: the old sequence steps aside, the new one moves in, and the
        // old one comes back should that fail.
        std::string aside =
            makeHiddenFolder(fs::path(m_destination).parent_path(),
                             fs::path(m_destination).filename().string() + ".replaced");
        if (aside.empty() || std::rename(m_destination.c_str(), aside.c_str()) != 0) {
            fs::remove(aside, error);
            return sim::Fault{m_destination, "cannot be replaced: it cannot be moved aside"};
        }
        if (std::rename(m_staging.c_str(), m_destination.c_str()) != 0) {
            std::rename(aside.c_str(), m_destination.c_str());
            return sim::Fault{m_destination, "cannot be replaced: the new sequence cannot move in"};
        }
        m_staging = aside;
    }
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

sim::Result<void> StagedSequence::undoCommit() {
    if (!m_committed)
        return {};
    std::error_code error;
    if (m_replacedKept) {
        // The same exchange again puts the old sequence back and the new one aside.
        if (::renameat2(AT_FDCWD, m_staging.c_str(), AT_FDCWD, m_destination.c_str(),
                        RENAME_EXCHANGE) != 0) {
            if (errno != EINVAL && errno != ENOSYS)
                return sim::Fault{m_destination,
                                  std::string("cannot be put back: ") + std::strerror(errno)};
            std::string aside =
                makeHiddenFolder(fs::path(m_destination).parent_path(),
                                 fs::path(m_destination).filename().string() + ".undone");
            if (aside.empty() || std::rename(m_destination.c_str(), aside.c_str()) != 0) {
                fs::remove(aside, error);
                return sim::Fault{m_destination, "cannot be put back; the replaced sequence is "
                                                 "left in " +
                                                     m_staging};
            }
            if (std::rename(m_staging.c_str(), m_destination.c_str()) != 0) {
                std::rename(aside.c_str(), m_destination.c_str());
                return sim::Fault{m_destination, "cannot be put back; the replaced sequence is "
                                                 "left in " +
                                                     m_staging};
            }
            m_staging = aside;
        }
        m_replacedKept = false;
    } else {
        // Moved out of sight first, so that nobody sees it half removed.
        std::string aside =
            makeHiddenFolder(fs::path(m_destination).parent_path(),
                             fs::path(m_destination).filename().string() + ".undone");
        // The hidden folder is empty, so the rename replaces it.
        if (aside.empty() || std::rename(m_destination.c_str(), aside.c_str()) != 0) {
            std::string reason = std::strerror(errno);
            fs::remove(aside, error);
            return sim::Fault{m_destination, "cannot be taken out again: " + reason};
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
