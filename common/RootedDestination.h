// Where a command writes inside a device root, resolved as the device resolves the same path.
//
// The readers of a root (the extension, list, check, preview) resolve a path from the root:
// ".." stops at it and an absolute link target is read from it (platform/RootedPath.h). A
// writer resolves its destination through the same walk, so that what it writes is what the
// readers then find, with two differences: a destination that climbs above the root (a link
// such as var/jb or chargingSequences leading out, relative or absolute with "..") is refused
// rather than stopped at the root, since writing there would change a file that is not the
// device's; and a folder that a link names must exist, for only the folders of the
// destination's own path are made.
//
// A refusal is a fault naming the destination as the user knows it (`shown`) and saying that
// nothing was written; the caller writes nothing after it.
#pragma once

#include "common/Result.h"
#include "platform/RootedPath.h"

#include <string>
#include <string_view>

namespace velorin::common {

// A file to write inside a root: the folder it lies in (O_PATH, for the *at calls) and its
// name there, which is no link and may not exist yet.
struct RootedFileDestination {
    platform::FileDescriptor folder;
    std::string name;
};

enum class MissingFolders { Make, Refuse };

// The file `devicePath` inside the root folder `root`, making the missing folders of its own
// path when asked. A folder there is refused, and so is the root itself.
Result<RootedFileDestination> fileDestinationInRoot(int root, std::string_view devicePath,
                                                    MissingFolders missingFolders,
                                                    const std::string& shown);

// The folder `devicePath` inside the device root at `rootPath`, as a path on this machine
// with no link in it, for writers that work with paths; the missing folders of its own path
// are left for the caller to make (and to remove again should it fail). Something there that
// is no folder is refused.
Result<std::string> folderDestinationInRoot(const std::string& rootPath,
                                            std::string_view devicePath, const std::string& shown);

} // namespace velorin::common
