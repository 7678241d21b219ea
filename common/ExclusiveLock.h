// The one lock of the tools: an exclusive flock(2) held for as long as the object lives.
//
// The system drops a flock when its holder dies, however it dies, so a lock that nobody holds
// tells a staging folder left by a command killed outright from one in use, and a preference
// writer that waits for another never waits for one that is gone. Locks are taken on a folder
// (the staging folders, a sequence about to be replaced) or on a lock file beside what they
// guard (the preference list, which is replaced by rename and so cannot carry a lock itself).
#pragma once

#include "common/Result.h"
#include "common/SystemCalls.h"
#include "platform/RootedPath.h"

#include <functional>
#include <string>

namespace velorin::common {

class ExclusiveLock {
public:
    // Opens the folder at `path` and locks it. The lock is always on the folder that is at
    // `path` when this returns, whatever was renamed or replaced while the lock was awaited:
    // with Wait the folder now there is locked instead; with GiveUp the attempt fails. Faults
    // carry the system's error: ENOENT when nothing is there, ENOTDIR or ELOOP when it is no
    // folder, EWOULDBLOCK when another holds it or the folder changed (GiveUp).
    static Result<ExclusiveLock> onFolder(const std::string& path, LockWait wait);

    // Opens the lock file `name` in `folder`, making it when it is missing, and waits for its
    // lock. `beforeWaiting` runs once when another holder makes it wait, before it waits.
    static Result<ExclusiveLock> onLockFile(int folder, const std::string& name,
                                            const std::function<void()>& beforeWaiting = {});

    // Holds no lock.
    ExclusiveLock() = default;
    explicit operator bool() const { return static_cast<bool>(m_descriptor); }
    // The locked folder or file, open for as long as the lock is held.
    int descriptor() const { return m_descriptor.get(); }

private:
    explicit ExclusiveLock(platform::FileDescriptor descriptor)
        : m_descriptor(std::move(descriptor)) {}
    platform::FileDescriptor m_descriptor;
};

} // namespace velorin::common
