#include "common/WholeOutput.h"

#include "common/SystemCalls.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

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

std::string stagingPattern(const fs::path& parent, std::string_view stem, StagingName naming) {
    std::string name = naming == StagingName::Hidden ? "." : "";
    name += stem;
    name += "-XXXXXX";
    return (parent / name).string();
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

bool exists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

} // namespace

Result<MadeFolders> MadeFolders::make(const fs::path& folder) {
    MadeFolders made;
    std::error_code error;
    for (fs::path path = fs::absolute(folder, error).lexically_normal(); !path.empty();
         path = path.parent_path()) {
        if (fs::exists(path, error))
            break;
        made.m_made.push_back(path);
        if (path == path.parent_path())
            break;
    }
    // A folder made meanwhile by someone else is as good as one made here; only an error
    // code says that making it failed, and then it says why.
    fs::create_directories(folder, error);
    if (error)
        return systemFault(error.value());
    if (!fs::is_directory(folder, error))
        return systemFault(ENOTDIR);
    return made;
}

MadeFolders::MadeFolders(MadeFolders&& other) noexcept : m_made(std::move(other.m_made)) {
    other.m_made.clear();
}

MadeFolders& MadeFolders::operator=(MadeFolders&& other) noexcept {
    if (this != &other) {
        remove();
        m_made = std::move(other.m_made);
        other.m_made.clear();
    }
    return *this;
}

MadeFolders::~MadeFolders() {
    remove();
}

void MadeFolders::remove() noexcept {
    for (const fs::path& folder : m_made)
        ::rmdir(folder.c_str());
    m_made.clear();
}

Result<StagingFolder> StagingFolder::make(const fs::path& parent, std::string_view stem,
                                          StagingName naming) {
    // Another command's sweep may take a folder in the moment between its making and its lock;
    // a new one is made then.
    for (int attempt = 0; attempt < 8; ++attempt) {
        StagingFolder staging;
        staging.m_path = TRY(makeUniqueFolder(stagingPattern(parent, stem, naming)));
        auto lock = ExclusiveLock::onFolder(staging.m_path, LockWait::GiveUp);
        if (lock) {
            staging.m_lock = std::move(lock).value();
            return staging;
        }
        // Not ours to remove: the sweep that took it does.
        staging.m_path.clear();
    }
    return systemFault(EBUSY);
}

StagingFolder::StagingFolder(StagingFolder&& other) noexcept
    : m_path(std::move(other.m_path)), m_lock(std::move(other.m_lock)) {
    other.m_path.clear();
}

StagingFolder& StagingFolder::operator=(StagingFolder&& other) noexcept {
    if (this != &other) {
        remove();
        m_path = std::move(other.m_path);
        m_lock = std::move(other.m_lock);
        other.m_path.clear();
    }
    return *this;
}

StagingFolder::~StagingFolder() {
    remove();
}

std::string StagingFolder::pathOf(std::string_view relative) const {
    return (fs::path(m_path) / relative).string();
}

void StagingFolder::givePlainPermissions() const {
    if (m_lock)
        ::fchmod(m_lock.descriptor(), 0777 & ~creationMask());
}

void StagingFolder::moved() {
    m_path.clear();
    m_lock = ExclusiveLock();
}

void StagingFolder::holdInstead(ExclusiveLock lock) {
    m_lock = std::move(lock);
}

Result<void> StagingFolder::removeNow() {
    if (m_path.empty())
        return {};
    // Removed while still locked, so that no other command takes it meanwhile.
    std::error_code error;
    fs::remove_all(m_path, error);
    m_path.clear();
    m_lock = ExclusiveLock();
    if (error)
        return systemFault(error.value());
    return {};
}

void StagingFolder::remove() noexcept {
    // Removing takes memory; without it the folder stays, unlocked, and the next command that
    // makes a staging folder of its stem removes it.
    try {
        (void)removeNow();
    } catch (const std::bad_alloc&) {
        m_path.clear();
        m_lock = ExclusiveLock();
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
        auto held = ExclusiveLock::onFolder(path, LockWait::GiveUp);
        if (!held)
            continue;
        std::error_code error;
        fs::remove_all(path, error);
    }
}

Result<void> moveIntoPlace(const std::string& from, const std::string& to) {
    auto moved = renamePath(from, to, RenameMode::NoReplace);
    if (moved || !renameModeUnsupported(moved.fault()))
        return moved;
    // A file system without the flag: check first, then rename. rename() would replace only
    // an empty folder, and only one made in the moment between the two calls.
    if (exists(to))
        return systemFault(EEXIST);
    return renamePath(from, to, RenameMode::Replace);
}

Result<void> exchangeFolders(const std::string& first, const std::string& second) {
    auto exchanged = renamePath(first, second, RenameMode::Exchange);
    if (exchanged || !renameModeUnsupported(exchanged.fault()))
        return exchanged;
    // The first folder is parked under a fresh hidden name beside it (the rename replaces the
    // empty folder made for the name), the second takes its place, and the first takes the
    // second's; a step that fails puts back what moved.
    fs::path firstPath(first);
    auto parked = TRY(makeUniqueFolder(stagingPattern(firstPath.parent_path(),
                                                      firstPath.filename().string() + ".swapping",
                                                      StagingName::Hidden)));
    if (auto aside = renamePath(first, parked, RenameMode::Replace); !aside) {
        ::rmdir(parked.c_str());
        return aside;
    }
    if (auto in = renamePath(second, first, RenameMode::NoReplace); !in) {
        (void)renamePath(parked, first, RenameMode::Replace);
        return in;
    }
    if (auto out = renamePath(parked, second, RenameMode::NoReplace); !out) {
        (void)renamePath(first, second, RenameMode::Replace);
        (void)renamePath(parked, first, RenameMode::Replace);
        return out;
    }
    return {};
}

Result<void> replaceFileWhole(int folder, const std::string& name,
                              std::span<const std::uint8_t> bytes, mode_t mode,
                              const std::string& temporaryName, Durability durability) {
    auto file = TRY(openAt(folder, temporaryName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600));
    auto written = [&]() -> Result<void> {
        TRY(writeAll(file.get(), bytes));
        if (::fchmod(file.get(), mode) != 0)
            return systemFault(errno);
        if (durability == Durability::Synced)
            TRY(syncFile(file.get()));
        if (::close(file.release()) != 0)
            return systemFault(errno);
        return renameAt(folder, temporaryName, folder, name, RenameMode::Replace);
    }();
    if (!written) {
        ::unlinkat(folder, temporaryName.c_str(), 0);
        return written;
    }
    // The rename itself is made durable by flushing the folder.
    if (durability == Durability::Synced) {
        if (auto flushed = openAt(folder, ".", O_RDONLY | O_DIRECTORY))
            (void)syncFile(flushed.value().get());
    }
    return {};
}

Result<void> replaceFileWhole(const std::string& path, std::span<const std::uint8_t> bytes,
                              mode_t mode, Durability durability) {
    fs::path file(path);
    fs::path parent = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    auto folder = TRY(openFile(parent.string(), O_RDONLY | O_DIRECTORY));
    std::string name = file.filename().string();
    std::string temporary = name + ".velorin-new-" + std::to_string(::getpid());
    // One of this name was left by a process killed outright that had this process's number;
    // no live process writes it.
    ::unlinkat(folder.get(), temporary.c_str(), 0);
    return replaceFileWhole(folder.get(), name, bytes, mode, temporary, durability);
}

mode_t plainFileMode() {
    return 0666 & ~creationMask();
}

Result<WholeFile> WholeFile::make(const std::string& target) {
    fs::path path(target);
    fs::path parent = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    const std::string stem = path.filename().string() + ".making";
    removeAbandonedStagingFolders(parent, "." + stem);
    WholeFile file;
    file.m_target = target;
    file.m_staging = TRY(StagingFolder::make(parent, stem));
    file.m_file = TRY(openFile(file.m_staging.pathOf(path.filename().string()),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666));
    return file;
}

Result<void> WholeFile::commit(ExistingFile existing) {
    TRY(syncFile(m_file.get()));
    std::string staged = m_staging.pathOf(fs::path(m_target).filename().string());
    if (existing == ExistingFile::Refuse) {
        TRY(moveIntoPlace(staged, m_target));
    } else {
        // A folder or a link that took the name meanwhile is not replaced.
        struct stat there {};
        if (::lstat(m_target.c_str(), &there) == 0 && !S_ISREG(there.st_mode))
            return systemFault(EEXIST);
        TRY(renamePath(staged, m_target, RenameMode::Replace));
    }
    // The file is in place; its empty staging folder goes now rather than with the object.
    m_file = platform::FileDescriptor();
    (void)m_staging.removeNow();
    return {};
}

} // namespace velorin::common
