// One change to a device root's preference list, safe against other writers and against
// being killed.
//
// The change holds an exclusive lock (flock on LIST.lock beside the list) from before the list
// is read until after the new list is in place, so concurrent writers of different keys each
// start from the others' result and none is lost. Under the lock, temporary files that a
// killed writer left (LIST.velorin-new-*) are removed first. The new list goes to such a
// temporary file, is flushed, and is renamed over the old one, so a reader sees the old or the
// new list whole. A list the extension would refuse is never written: a change whose result
// would be past the reader's size or property-list limits is refused, the file unchanged, and
// so is a change to a list the extension refuses already, since the user's data may be in it.
#pragma once

#include "common/Result.h"
#include "platform/PropertyList.h"

#include <functional>
#include <string>

namespace velorin::tools {

enum class MissingList { Create, LeaveAbsent };
enum class ListChange { Changed, Unchanged };

// Changes the dictionary in place and says whether it changed anything.
using ListEdit = std::function<ListChange(platform::PropertyListDictionary&)>;

// Applies `edit` to the Velorin domain's list under the device root `root`, resolving the
// list inside the root as the device does (see common/RootedDestination.h). A missing list
// starts empty, or, with LeaveAbsent, is left missing and nothing is made.
common::Result<void> editPreferenceList(const std::string& root, MissingList missing,
                                        const ListEdit& edit);

// The infix that marks the editor's temporary files: LIST.velorin-new-PID.
inline constexpr const char* temporaryListInfix = ".velorin-new-";
// The lock file's suffix: LIST.lock.
inline constexpr const char* listLockSuffix = ".lock";

} // namespace velorin::tools
