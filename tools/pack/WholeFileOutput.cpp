#include "tools/pack/WholeFileOutput.h"

#include "sim/SystemError.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

bool isStagingName(const std::string& name, const std::string& targetName) {
    std::string prefix = "." + targetName + "-";
    return name.size() == prefix.size() + 6 && name.starts_with(prefix);
}

// Removes staging files of `targetName` that no live command holds locked.
void removeAbandonedStagingFiles(const fs::path& folder, const std::string& targetName) {
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (!isStagingName(entry->path().filename().string(), targetName))
            continue;
        int file = ::open(entry->path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (file < 0)
            continue;
        struct stat status {};
        if (::fstat(file, &status) == 0 && S_ISREG(status.st_mode) &&
            ::flock(file, LOCK_EX | LOCK_NB) == 0)
            ::unlink(entry->path().c_str());
        ::close(file);
    }
}

mode_t plainFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

sim::Result<std::unique_ptr<WholeFileOutput>> WholeFileOutput::open(const std::string& target,
                                                                    ExistingFile existing) {
    fs::path path(target);
    fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    std::error_code error;
    fs::file_status status = fs::symlink_status(path, error);
    if (fs::exists(status)) {
        if (!fs::is_regular_file(status))
            return sim::Fault{target, "exists and is no regular file; it is never replaced"};
        if (existing == ExistingFile::Refuse)
            return sim::Fault{target, "already exists (--replace replaces it)"};
    }
    if (!fs::is_directory(folder, error))
        return sim::Fault{target, "cannot be written: its folder " + folder.string() +
                                      " does not exist"};
    std::string name = path.filename().string();
    removeAbandonedStagingFiles(folder, name);
    std::string staging = (folder / ("." + name + "-XXXXXX")).string();
    int descriptor = ::mkstemp(staging.data());
    if (descriptor < 0)
        return sim::Fault{target, "cannot be written: " + sim::describeSystemError(errno)};
    ::fcntl(descriptor, F_SETFD, FD_CLOEXEC);
    ::flock(descriptor, LOCK_EX);
    ::fchmod(descriptor, plainFileMode());
    return std::unique_ptr<WholeFileOutput>(
        new WholeFileOutput(target, std::move(staging), descriptor, existing));
}

WholeFileOutput::~WholeFileOutput() {
    if (!m_committed)
        ::unlink(m_staging.c_str());
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

sim::Result<void> WholeFileOutput::commit() {
    if (::fsync(m_descriptor) != 0)
        return sim::Fault{m_target, "cannot be written: " + sim::describeSystemError(errno)};
    if (m_existing == ExistingFile::Replace) {
        // A folder or a link that took the name meanwhile is not replaced.
        std::error_code error;
        fs::file_status status = fs::symlink_status(m_target, error);
        if (fs::exists(status) && !fs::is_regular_file(status))
            return sim::Fault{m_target, "exists and is no regular file; it is never replaced"};
        if (::rename(m_staging.c_str(), m_target.c_str()) != 0)
            return sim::Fault{m_target, "cannot be written: " + sim::describeSystemError(errno)};
    } else if (::renameat2(AT_FDCWD, m_staging.c_str(), AT_FDCWD, m_target.c_str(),
                           RENAME_NOREPLACE) != 0) {
        int error = errno;
        if (error == EEXIST)
            return sim::Fault{m_target, "appeared while the package was written; it is left as "
                                        "it is (--replace replaces it)"};
        // A file system that cannot rename without replacing: a hard link cannot replace either.
        if (error != EINVAL || ::link(m_staging.c_str(), m_target.c_str()) != 0)
            return sim::Fault{m_target, "cannot be written: " +
                                            sim::describeSystemError(error == EINVAL ? errno : error)};
        ::unlink(m_staging.c_str());
    }
    m_committed = true;
    return {};
}

} // namespace velorin::tools
