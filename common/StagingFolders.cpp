#include "common/StagingFolders.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <vector>

namespace velorin::common {

namespace {

namespace fs = std::filesystem;

// The characters mkdtemp puts after the stem and its dash.
constexpr std::size_t uniqueSuffixLength = 6;

bool isStagingName(std::string_view name, std::string_view stem, StagingName naming) {
    if (name.size() < stem.size() + 1 + uniqueSuffixLength)
        return false;
    std::string_view nameStem = name.substr(0, name.size() - uniqueSuffixLength - 1);
    if (name[nameStem.size()] != '-')
        return false;
    if (naming == StagingName::Visible)
        return nameStem == stem;
    return nameStem.starts_with('.') && nameStem.ends_with(stem);
}

std::string makeFolder(const fs::path& parent, const std::string& name) {
    std::string pattern = (parent / (name + "-XXXXXX")).string();
    std::vector<char> made(pattern.begin(), pattern.end());
    made.push_back('\0');
    if (!::mkdtemp(made.data()))
        return {};
    return made.data();
}

// The process's file-creation mask, read without changing it; the usual 022 where the system
// does not say.
mode_t creationMask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("Umask:"))
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
    }
    return 022;
}

} // namespace

void givePlainFolderPermissions(const platform::FileDescriptor& lock) {
    if (lock)
        ::fchmod(lock.get(), 0777 & ~creationMask());
}

std::string makeHiddenFolder(const fs::path& parent, const std::string& stem) {
    return makeFolder(parent, "." + stem);
}

std::string makeLockedStagingFolder(const fs::path& parent, const std::string& stem,
                                    platform::FileDescriptor& lock, StagingName naming) {
    // Another command's sweep may take a folder in the moment between its making and its lock;
    // a new one is made then.
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string staging = makeFolder(parent, naming == StagingName::Hidden ? "." + stem : stem);
        if (staging.empty())
            return {};
        lock = lockFolder(staging, LockWait::GiveUp);
        if (lock)
            return staging;
    }
    errno = EBUSY;
    return {};
}

platform::FileDescriptor lockFolder(const std::string& path, LockWait wait) {
    for (;;) {
        platform::FileDescriptor folder(
            ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder)
            return folder;
        while (::flock(folder.get(), LOCK_EX | (wait == LockWait::Wait ? 0 : LOCK_NB)) != 0) {
            if (errno != EINTR)
                return platform::FileDescriptor();
        }
        // A folder removed or swapped while the lock was awaited protects nothing.
        struct stat locked {};
        struct stat there {};
        if (::fstat(folder.get(), &locked) != 0)
            return platform::FileDescriptor();
        if (::lstat(path.c_str(), &there) == 0 && there.st_dev == locked.st_dev &&
            there.st_ino == locked.st_ino)
            return folder;
        if (wait == LockWait::GiveUp)
            return platform::FileDescriptor();
    }
}

void removeAbandonedStagingFolders(const fs::path& parent, std::string_view stem,
                                   StagingName naming) {
    std::vector<std::string> candidates;
    if (std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(parent.c_str()), ::closedir);
        listing) {
        while (const dirent* entry = ::readdir(listing.get())) {
            if (isStagingName(entry->d_name, stem, naming))
                candidates.emplace_back(entry->d_name);
        }
    }
    for (const std::string& name : candidates) {
        std::string path = (parent / name).string();
        // Held while it goes, so that nobody else takes it meanwhile.
        platform::FileDescriptor held = lockFolder(path, LockWait::GiveUp);
        if (!held)
            continue;
        std::error_code error;
        fs::remove_all(path, error);
    }
}

} // namespace velorin::common
