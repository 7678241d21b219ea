// The device roots velorin-sim works on: the bundled sample root, which it never writes, and
// the user's own root, made on first use as a copy of it.
//
// The user's root is $VELORIN_ROOT when that is set, else $XDG_DATA_HOME/velorin/root (a
// relative XDG_DATA_HOME is ignored, as the XDG rules say), else ~/.local/share/velorin/root.
// It is made atomically: the copy is made beside it and renamed into place, so two commands
// starting at once cannot half-make it, and the first says once on standard error that it made
// it. It is made only from a whole sample root, one whose manifest lists every file in place,
// and only the files the manifest lists are copied.
//
// The sample root is installed in share/velorin/sample-root and drawn into the build tree's
// samples/sample-root, never where a user's root lives. A user's root that is a sample root,
// lies inside one or holds one is refused, and so is a root given to a command that writes.
#pragma once

#include "common/Result.h"

#include <string>

namespace velorin::tools {

// The bundled root: $VELORIN_SAMPLE_ROOT if set, else the one installed beside the running
// program, else the build tree's, else the one in the configured install prefix.
std::string bundledSampleRoot();

// Where the user's own device root is, whether or not it exists yet.
common::Result<std::string> userDeviceRootPath();

// The user's own device root, made as a copy of the bundled one when it does not exist yet.
common::Result<std::string> userDeviceRoot();

// Moves the user's root aside (to a name beside it that says when) and makes a fresh one. Gives
// where the old root went, or none when there was none.
struct RootReset {
    std::string root;
    std::string movedAsideTo;
};
common::Result<RootReset> resetUserDeviceRoot();

// The device root a command works on: the one given, or the user's own. A given folder that
// does not exist is an input error naming it. A command that writes to the root never gets a
// sample root (nor a folder inside one or holding one), which a reading command may look at.
enum class RootAccess { Read, Write };
common::Result<std::string> chooseDeviceRoot(const std::string& givenRoot,
                                             RootAccess access = RootAccess::Read);

} // namespace velorin::tools
