// Where a write to a device root's preference list lands, resolved inside the root.
//
// The device resolves the list's path from its own "/", so the editor does too: a symbolic
// link on the way is followed inside the root, and a link whose target is absolute is read
// from the root. A link that leads out of the root, by climbing above it with "..", is refused:
// the device would never reach what the link names on this machine, and writing through it
// would change a file that is not the device's. Folders on the list's own path are made when
// missing; a folder that a link names must exist.
#pragma once

#include "common/Result.h"
#include "platform/RootedPath.h"

#include <string>
#include <string_view>

namespace velorin::tools {

struct ListWriteTarget {
    // The folder the list lies in (opened with O_PATH, for the *at calls), and the list's name
    // there; the name is no link, and may not exist yet.
    platform::FileDescriptor folder;
    std::string name;
};

enum class MissingFolders { Make, Refuse };

// Resolves `devicePath` inside the root folder `root`. Faults name `shownPath`, the list as
// the user knows it.
common::Result<ListWriteTarget> resolveListWriteTarget(int root, std::string_view devicePath,
                                                       MissingFolders missingFolders,
                                                       const std::string& shownPath);

} // namespace velorin::tools
