// The system calls the tools make on files and folders, each giving a Result.
//
// A failed call gives a fault whose message is the system's reason, in words, and whose
// `systemError` is the error number taken right at the call, so that no caller has to keep
// errno alive across other calls (a message built from a stale or zero errno ends in
// "Success"). The caller says what it was doing and to which file with `withContext`:
//
//     auto file = TRY(openAt(folder, name, O_RDONLY).withContext(shown, "cannot be read"));
//
// This is the one place where a system error becomes text. Interrupted calls (EINTR) are
// asked again.
#pragma once

#include "common/Result.h"
#include "platform/RootedPath.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <system_error>

namespace velorin::common {

// strerror's text for `error`; a text that says the system gave no reason for 0.
std::string describeSystemError(int error);
// The same for an error of the standard library's file-system calls.
std::string describeSystemError(const std::error_code& error);

// The fault of a call that failed with `error`: the reason alone, for `withContext` to place.
Fault systemFault(int error);

// open(2) and openat(2), always with O_CLOEXEC.
Result<platform::FileDescriptor> openFile(const std::string& path, int flags, mode_t mode = 0);
Result<platform::FileDescriptor> openAt(int folder, const std::string& name, int flags,
                                        mode_t mode = 0);
// platform::openRootFolder and platform::openInRoot: a folder opened as a device root, and a
// path opened inside one.
Result<platform::FileDescriptor> openRoot(const std::string& hostPath);
Result<platform::FileDescriptor> openInsideRoot(int root, std::string_view path, int flags);
// A second descriptor for the same open file (F_DUPFD_CLOEXEC).
Result<platform::FileDescriptor> duplicate(int descriptor);
// fstat(2).
Result<struct stat> statusOf(int descriptor);

// mkdtemp(3): a new folder, readable by this user alone, named `pattern` with its trailing
// "XXXXXX" made unique; gives its path.
Result<std::string> makeUniqueFolder(const std::string& pattern);
// mkdirat(2).
Result<void> makeFolderAt(int folder, const std::string& name, mode_t mode);

// renameat2(2). Replace is rename(2) itself; NoReplace fails with EEXIST when `to` exists;
// Exchange swaps the two entries in one step. A file system that cannot do the last two
// fails with EINVAL (ENOSYS on an old kernel): see common/WholeOutput.h for the fallbacks.
enum class RenameMode { Replace, NoReplace, Exchange };
Result<void> renameAt(int fromFolder, const std::string& from, int toFolder, const std::string& to,
                      RenameMode mode);
// The same between two paths.
Result<void> renamePath(const std::string& from, const std::string& to, RenameMode mode);
// Whether a fault says the file system cannot rename in this mode.
bool renameModeUnsupported(const Fault& fault);

// flock(2) with LOCK_EX: Wait blocks until the lock is free; GiveUp fails with EWOULDBLOCK
// at once when another open file holds it.
enum class LockWait { Wait, GiveUp };
Result<void> lockExclusive(int descriptor, LockWait wait);

// fsync(2).
Result<void> syncFile(int descriptor);
// write(2) until every byte is written.
Result<void> writeAll(int descriptor, std::span<const std::uint8_t> bytes);
// A new file at `path` (or one emptied there) holding `bytes`: open(2) with O_CREAT and
// O_TRUNC, every byte written, and close(2), whose failure (a full or quota-bound file system
// may report only there) counts as the write's, and the file is then removed. Every file the tools write from memory is
// written through here or writeAll, so that a failure names its reason ("No space left on
// device").
Result<void> writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes,
                          mode_t mode = 0666);
// read(2) once: the count read, 0 at the end of the file.
Result<std::size_t> readSome(int descriptor, std::span<std::uint8_t> buffer);

// For tests: a function run just before every flock this layer makes, with the descriptor
// and how the caller waits, so that a test can change the file system in the moment between
// opening a file and locking it, or learn that a caller is about to wait. None by default.
using LockSeam = std::function<void(int descriptor, LockWait wait)>;
void setLockSeamForTesting(LockSeam seam);

} // namespace velorin::common
