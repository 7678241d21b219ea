#include "tools/prefs/PreferenceListWrite.h"

#include "common/ByteCount.h"
#include "common/ExclusiveLock.h"
#include "common/RootedDestination.h"
#include "common/SystemCalls.h"
#include "common/WholeOutput.h"
#include "platform/PreferenceStore.h"
#include "platform/PropertyListLimits.h"
#include "platform/RootedPath.h"
#include "settings/Settings.h"
#include "tools/common/InterruptionWatch.h"
#include "tools/common/PreferenceListReading.h"
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

// A fault naming the list `shown` when the extension would refuse `bytes` once written.
common::Result<void> checkWrittenList(const std::string& shown,
                                      const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() > platform::preferenceListByteLimit)
        return common::Fault(shown,
                             "would grow to " +
                                 common::describeByteCountOver(
                                     bytes.size(), platform::preferenceListByteLimit) +
                                 ", larger than the " +
                                 common::describeByteCount(platform::preferenceListByteLimit) +
                                 " the extension reads; left unchanged");
    if (!platform::propertyListWithinLimits(bytes))
        return common::Fault(shown, "would hold more than " +
                                        std::to_string(platform::maximumPropertyListValues) +
                                        " values or nest deeper than " +
                                        std::to_string(platform::maximumPropertyListDepth) +
                                        " levels, past what the extension reads; left unchanged");
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
    auto rootFolder = TRY(common::openRoot(root).withContext(root, "cannot open the device root"));
    auto target = TRY(common::fileDestinationInRoot(
        rootFolder.get(), platform::preferenceDevicePath(preferenceDomain),
        missing == MissingList::Create ? common::MissingFolders::Make
                                       : common::MissingFolders::Refuse,
        shown));
    const int folder = target.folder.get();
    const std::string& name = target.name;

    // Another writer may hold the list. Nothing is written yet, so an interruption may end the
    // wait at once, as it would end any command that has made nothing.
    auto lock = TRY(common::ExclusiveLock::onLockFile(folder, name + listLockSuffix,
                                                      InterruptionWatch::obeyFromNowOn)
                        .withContext(shown, "cannot take the lock " + name + listLockSuffix));
    removeLeftovers(folder, name);

    PreferenceListReading reading =
        readOpenedPreferenceList(common::openAt(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK));
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
    TRY(checkWrittenList(shown, *bytes));
    // The new list keeps the old one's permissions, and is flushed before it replaces it.
    mode_t mode = 0644;
    struct stat existing {};
    if (::fstatat(folder, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0)
        mode = existing.st_mode & 07777;
    const std::string temporary = name + temporaryListInfix + std::to_string(::getpid());
    return common::replaceFileWhole(folder, name, *bytes, mode, temporary,
                                    common::Durability::Synced)
        .withContext(shown, "cannot write");
}

} // namespace velorin::tools
