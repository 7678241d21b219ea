#include "common/ExclusiveLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace velorin::common {

namespace {

// Whether the entry at `path` is the very file `locked` is open on: the same device and the
// same inode. A folder removed, or another renamed over it, while the lock was awaited is not.
bool stillAtPath(int locked, const std::string& path) {
    struct stat there {};
    auto held = statusOf(locked);
    return held && ::lstat(path.c_str(), &there) == 0 && there.st_dev == held.value().st_dev &&
           there.st_ino == held.value().st_ino;
}

} // namespace

Result<ExclusiveLock> ExclusiveLock::onFolder(const std::string& path, LockWait wait) {
    for (;;) {
        auto folder = TRY(openFile(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW));
        TRY(lockExclusive(folder.get(), wait));
        if (stillAtPath(folder.get(), path))
            return ExclusiveLock(std::move(folder));
        if (wait == LockWait::GiveUp)
            return systemFault(EWOULDBLOCK);
    }
}

Result<ExclusiveLock> ExclusiveLock::onLockFile(int folder, const std::string& name,
                                                const std::function<void()>& beforeWaiting) {
    auto file = TRY(openAt(folder, name, O_RDWR | O_CREAT | O_NOFOLLOW, 0644));
    auto taken = lockExclusive(file.get(), LockWait::GiveUp);
    if (taken)
        return ExclusiveLock(std::move(file));
    if (taken.fault().systemError != EWOULDBLOCK)
        return taken.fault();
    if (beforeWaiting)
        beforeWaiting();
    TRY(lockExclusive(file.get(), LockWait::Wait));
    return ExclusiveLock(std::move(file));
}

} // namespace velorin::common
