// What the private copies of the simulator and the tools take from a device root: what the
// extension reads, and nothing else, so that a user's own files are only ever read.
//
// The copy rule for a sequence folder: every entry directly in the folder whose name ends in
// ".png" is copied, a regular file within the frame limit byte for byte and anything else (a
// folder, a device, a file past the limit, a link leading nowhere) as an empty file that cannot
// be decoded, so that the listing and the prefix length stay what the device would see; plus
// "options.json" when it is a regular file within its limit; nothing else. The domain's
// preference list is copied when the extension would read it. Entries are opened inside the
// root folder given, so a link is followed only as far as that root reaches; the files are
// copied bounded and within an allowance (common/FileCopy.h).
#pragma once

#include "common/FileCopy.h"
#include "common/Interruption.h"
#include "common/Result.h"

#include <string>
#include <string_view>

namespace velorin::sim {

// Whether a name is a resource-fork file ("._frame1.png") that another system leaves beside
// each file it unpacks. The device takes one that ends in ".png" for a frame it cannot decode.
bool isResourceForkName(std::string_view name);

// Whether a copy keeps resource-fork files as the device would see them, or drops them on
// purpose, as a sequence installed into a root does.
enum class ResourceForkCopy { Keep, Drop };

// Copies the sequence folder at `folderPath` inside the root folder `root` into the folder
// `destination` by the copy rule. `shownFolder` names the source in faults. Entries past the
// extension's listing limit are left out, as the extension leaves them out.
common::Result<void> copySequenceFolder(int root, std::string_view folderPath,
                                        const std::string& shownFolder, int destination,
                                        common::CopyAllowance& allowance,
                                        const common::InterruptionCheck& interrupted,
                                        ResourceForkCopy resourceForks = ResourceForkCopy::Keep);

// Copies the preference list of `domain` under the root folder `root` to `destinationFile`, as
// the extension reads it: a regular file within the list limit, byte for byte. A list that is
// missing or that the extension refuses for its size or kind is not copied, so the copy holds
// no keys, as the original does for the extension. Faults name `shownRoot`'s list.
common::Result<void> copyPreferenceList(int root, const std::string& domain,
                                        const std::string& shownRoot,
                                        const std::string& destinationFile,
                                        common::CopyAllowance& allowance);

} // namespace velorin::sim
