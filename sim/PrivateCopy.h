// The private copies the simulator and the tools make of what a device root holds, so that a
// user's own files are only ever read.
//
// A copy holds only what the extension reads, within the extension's read limits, and never
// follows a link out of the folder it copies from: the domain's preference list, and sequence
// folders by the one copy rule below. Every copy draws on one allowance: at most
// `privateCopyByteLimit`, and never more than the free space where it is written. A copy that
// would pass either is refused with a fault that says which, before the file is written.
//
// The copy rule for a sequence folder: every entry directly in the folder whose name ends in
// ".png" is copied, a regular file within the frame limit byte for byte and anything else (a
// folder, a device, a file past the limit, a link leading nowhere) as an empty file that cannot
// be decoded, so that the listing and the prefix length stay what the device would see; plus
// "options.json" when it is a regular file within its limit; nothing else. Entries are opened
// inside the root folder given, so a link is followed only as far as that root reaches.
#pragma once

#include "common/Interruption.h"
#include "common/Result.h"
#include "platform/RootedPath.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace velorin::sim {

// A private copy may take up to 2 GiB.
inline constexpr std::uint64_t privateCopyByteLimit = std::uint64_t{2} << 30;

// Where a copy goes: a private copy in $TMPDIR, or a sequence installed into a device root.
enum class CopyDestination { PrivateCopy, DeviceRoot };

class CopyAllowance {
public:
    // What may still be written into `destinationFolder`: the copy limit, or the free space of
    // its file system when that is less.
    static CopyAllowance forFolder(const std::string& destinationFolder,
                                   CopyDestination destination = CopyDestination::PrivateCopy);

    // Takes `bytes` from what is left; a fault naming `file` and the limit it would pass.
    common::Result<void> take(std::uint64_t bytes, const std::string& file);

private:
    CopyAllowance(std::uint64_t left, std::string limit)
        : m_left(left), m_limit(std::move(limit)) {}
    std::uint64_t m_left;
    // The limit in words, for the fault: "the 2 GiB a private copy may take".
    std::string m_limit;
};

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
                                        CopyAllowance& allowance,
                                        const common::InterruptionCheck& interrupted,
                                        ResourceForkCopy resourceForks = ResourceForkCopy::Keep);

// Copies the preference list of `domain` under the root folder `root` to `destinationFile`, as
// the extension reads it: a regular file within the list limit, byte for byte. A list that is
// missing or that the extension refuses for its size or kind is not copied, so the copy holds
// no keys, as the original does for the extension. Faults name `shownRoot`'s list.
common::Result<void> copyPreferenceList(int root, const std::string& domain,
                                        const std::string& shownRoot,
                                        const std::string& destinationFile,
                                        CopyAllowance& allowance);

// Makes the folders of `relativePath` under the folder `base` that are missing, and opens the
// last; a fault naming `shownPath` when one cannot be made.
common::Result<platform::FileDescriptor> makeFolders(int base, std::string_view relativePath,
                                                     const std::string& shownPath);

} // namespace velorin::sim
