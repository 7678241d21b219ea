#include "tools/prefs/PreferenceListWrite.h"

#include "common/SystemError.h"
#include "platform/PreferenceStore.h"
#include "platform/PropertyListLimits.h"
#include "platform/RootedPath.h"
#include "settings/Settings.h"
#include "tools/common/InterruptionWatch.h"
#include "tools/common/PreferenceListReading.h"
#include "tools/prefs/ListWriteTarget.h"
#include "tools/prefs/PreferenceEditor.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace velorin::tools {

namespace {

using platform::FileDescriptor;

bool writeAll(int descriptor, const std::uint8_t* bytes, std::size_t length) {
    while (length > 0) {
        ssize_t written = ::write(descriptor, bytes, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

// Waits for the lock; an invalid descriptor, with errno set, when it cannot be taken.
FileDescriptor lockList(int folder, const std::string& name) {
    std::string lockName = name + listLockSuffix;
    FileDescriptor lock(
        ::openat(folder, lockName.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!lock || ::flock(lock.get(), LOCK_EX | LOCK_NB) == 0)
        return lock;
    if (errno != EWOULDBLOCK)
        return FileDescriptor();
    // Another writer holds the list. Nothing is written yet, so an interruption may end the
    // wait at once, as it would end any command that has made nothing.
    InterruptionWatch::obeyFromNowOn();
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return FileDescriptor();
    }
    return lock;
}

// Removes the temporary files of writers that were killed before they could; only called
// under the lock, when no live writer has one.
void removeLeftovers(int folder, const std::string& name) {
    FileDescriptor listing(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!listing)
        return;
    std::unique_ptr<DIR, int (*)(DIR*)> stream(::fdopendir(listing.get()), ::closedir);
    if (!stream)
        return;
    listing.release();
    const std::string prefix = name + temporaryListInfix;
    std::vector<std::string> leftovers;
    while (const dirent* entry = ::readdir(stream.get())) {
        if (std::string_view(entry->d_name).starts_with(prefix))
            leftovers.emplace_back(entry->d_name);
    }
    for (const std::string& leftover : leftovers)
        ::unlinkat(folder, leftover.c_str(), 0);
}

// Why the extension would refuse the list `bytes` once written, or none.
std::optional<std::string> refusalOfWritten(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() > platform::preferenceListByteLimit)
        return "would grow to " + common::describeByteCount(bytes.size()) + ", larger than the " +
               common::describeByteCount(platform::preferenceListByteLimit) +
               " the extension reads";
    if (!platform::propertyListWithinLimits(bytes))
        return "would hold more than " + std::to_string(platform::maximumPropertyListValues) +
               " values or nest deeper than " + std::to_string(platform::maximumPropertyListDepth) +
               " levels, past what the extension reads";
    return std::nullopt;
}

// Puts `bytes` in place of the list through a flushed temporary file and a rename, keeping the
// old list's permissions.
common::Result<void> replaceList(int folder, const std::string& name,
                                 const std::vector<std::uint8_t>& bytes, const std::string& shown) {
    mode_t mode = 0644;
    struct stat existing {};
    if (::fstatat(folder, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0)
        mode = existing.st_mode & 07777;
    const std::string temporary = name + temporaryListInfix + std::to_string(::getpid());
    FileDescriptor file(::openat(folder, temporary.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file)
        return common::Fault(shown, "cannot make a temporary file beside it: " +
                                        common::describeSystemError(errno));
    int error = 0;
    if (!writeAll(file.get(), bytes.data(), bytes.size()) || ::fchmod(file.get(), mode) != 0 ||
        ::fsync(file.get()) != 0)
        error = errno;
    if (::close(file.release()) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::renameat(folder, temporary.c_str(), folder, name.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlinkat(folder, temporary.c_str(), 0);
        return common::Fault(shown, "cannot write: " + common::describeSystemError(error));
    }
    // The rename itself is made durable by flushing the folder.
    if (FileDescriptor flushed(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)); flushed)
        ::fsync(flushed.get());
    return {};
}

} // namespace

common::Result<void> editPreferenceList(const std::string& root, MissingList missing,
                                        const ListEdit& edit) {
    const std::string shown = preferenceFileUnderRoot(root);
    // Removing from a list that is not there changes nothing, and makes nothing either.
    if (missing == MissingList::LeaveAbsent &&
        readRootPreferenceList(root).state == PreferenceListReading::State::Missing)
        return {};
    FileDescriptor rootFolder = platform::openRootFolder(root);
    if (!rootFolder)
        return common::Fault(root,
                             "cannot open the device root: " + common::describeSystemError(errno));
    auto target = resolveListWriteTarget(
        rootFolder.get(), platform::preferenceDevicePath(preferenceDomain),
        missing == MissingList::Create ? MissingFolders::Make : MissingFolders::Refuse, shown);
    if (!target)
        return target.fault();
    const int folder = target.value().folder.get();
    const std::string& name = target.value().name;

    FileDescriptor lock = lockList(folder, name);
    if (!lock)
        return common::Fault(shown, "cannot take the lock " + name + listLockSuffix + ": " +
                                        common::describeSystemError(errno));
    removeLeftovers(folder, name);

    FileDescriptor list(
        ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    int openError = list ? 0 : errno;
    PreferenceListReading reading = readOpenedPreferenceList(list, openError);
    if (reading.state == PreferenceListReading::State::Refused)
        return common::Fault(shown, reading.refusal + "; left unchanged");
    if (reading.state == PreferenceListReading::State::Missing &&
        missing == MissingList::LeaveAbsent)
        return {};
    if (edit(reading.dictionary) == ListChange::Unchanged)
        return {};
    // A list keeps the form it was found in; a new one is binary, as the device writes it.
    auto bytes = reading.dictionary.write(reading.state == PreferenceListReading::State::Read
                                              ? reading.format
                                              : platform::PropertyListFormat::Binary);
    if (!bytes)
        return common::Fault(shown, "cannot encode the property list; left unchanged");
    if (auto refusal = refusalOfWritten(*bytes))
        return common::Fault(shown, *refusal + "; left unchanged");
    return replaceList(folder, name, *bytes, shown);
}

} // namespace velorin::tools
