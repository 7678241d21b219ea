#include "common/SystemCalls.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace velorin::common {

namespace {

LockSeam& lockSeam() {
    static LockSeam seam;
    return seam;
}

// The fault of the call that just failed, with errno taken here.
Fault lastSystemFault() {
    return systemFault(errno);
}

} // namespace

std::string describeSystemError(int error) {
    if (error == 0)
        return "the system gave no reason";
    // The system's words ("Too many levels of symbolic links") hide the likely cause: a link
    // that leads back to itself.
    if (error == ELOOP)
        return "a loop of symbolic links (too many levels of links)";
    return std::strerror(error);
}

std::string describeSystemError(const std::error_code& error) {
    if (error.category() == std::generic_category() || error.category() == std::system_category())
        return describeSystemError(error.value());
    return error.message();
}

Fault systemFault(int error) {
    Fault fault(describeSystemError(error));
    fault.systemError = error;
    return fault;
}

Result<platform::FileDescriptor> openFile(const std::string& path, int flags, mode_t mode) {
    platform::FileDescriptor file(::open(path.c_str(), flags | O_CLOEXEC, mode));
    if (!file)
        return lastSystemFault();
    return file;
}

Result<platform::FileDescriptor> openAt(int folder, const std::string& name, int flags,
                                        mode_t mode) {
    platform::FileDescriptor file(::openat(folder, name.c_str(), flags | O_CLOEXEC, mode));
    if (!file)
        return lastSystemFault();
    return file;
}

Result<platform::FileDescriptor> openRoot(const std::string& hostPath) {
    platform::FileDescriptor root = platform::openRootFolder(hostPath);
    if (!root)
        return lastSystemFault();
    return root;
}

Result<platform::FileDescriptor> openInsideRoot(int root, std::string_view path, int flags) {
    platform::FileDescriptor file = platform::openInRoot(root, path, flags);
    if (!file)
        return lastSystemFault();
    return file;
}

Result<platform::FileDescriptor> duplicate(int descriptor) {
    platform::FileDescriptor copy(::fcntl(descriptor, F_DUPFD_CLOEXEC, 0));
    if (!copy)
        return lastSystemFault();
    return copy;
}

Result<struct stat> statusOf(int descriptor) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0)
        return lastSystemFault();
    return status;
}

Result<std::string> makeUniqueFolder(const std::string& pattern) {
    std::vector<char> made(pattern.begin(), pattern.end());
    made.push_back('\0');
    if (!::mkdtemp(made.data()))
        return lastSystemFault();
    return std::string(made.data());
}

Result<void> makeFolderAt(int folder, const std::string& name, mode_t mode) {
    if (::mkdirat(folder, name.c_str(), mode) != 0)
        return lastSystemFault();
    return {};
}

Result<void> renameAt(int fromFolder, const std::string& from, int toFolder, const std::string& to,
                      RenameMode mode) {
    unsigned flags = mode == RenameMode::NoReplace  ? RENAME_NOREPLACE
                     : mode == RenameMode::Exchange ? RENAME_EXCHANGE
                                                    : 0;
    if (::renameat2(fromFolder, from.c_str(), toFolder, to.c_str(), flags) != 0)
        return lastSystemFault();
    return {};
}

Result<void> renamePath(const std::string& from, const std::string& to, RenameMode mode) {
    return renameAt(AT_FDCWD, from, AT_FDCWD, to, mode);
}

bool renameModeUnsupported(const Fault& fault) {
    return fault.systemError == EINVAL || fault.systemError == ENOSYS;
}

Result<void> lockExclusive(int descriptor, LockWait wait) {
    if (const LockSeam& seam = lockSeam())
        seam(descriptor, wait);
    while (::flock(descriptor, LOCK_EX | (wait == LockWait::Wait ? 0 : LOCK_NB)) != 0) {
        if (errno != EINTR)
            return lastSystemFault();
    }
    return {};
}

Result<void> syncFile(int descriptor) {
    if (::fsync(descriptor) != 0)
        return lastSystemFault();
    return {};
}

Result<void> writeAll(int descriptor, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return lastSystemFault();
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return {};
}

Result<void> writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes,
                          mode_t mode) {
    auto file = TRY(openFile(path, O_WRONLY | O_CREAT | O_TRUNC, mode));
    Result<void> written = writeAll(file.get(), bytes);
    if (written && ::close(file.release()) != 0 && errno != EINTR)
        written = lastSystemFault();
    // What could not be written whole is not left to pass for the file.
    if (!written)
        ::unlink(path.c_str());
    return written;
}

Result<std::size_t> readSome(int descriptor, std::span<std::uint8_t> buffer) {
    for (;;) {
        ssize_t count = ::read(descriptor, buffer.data(), buffer.size());
        if (count >= 0)
            return static_cast<std::size_t>(count);
        if (errno != EINTR)
            return lastSystemFault();
    }
}

void setLockSeamForTesting(LockSeam seam) {
    lockSeam() = std::move(seam);
}

} // namespace velorin::common
