// Copying files bounded: what the private copies of the simulator and the tools' installs are
// made with.
//
// Files are streamed, never held whole, and never read past a limit the caller gives: a file
// that grew past it while it was copied leaves an empty copy. Every copy draws on one
// allowance: at most `privateCopyByteLimit`, and never more than the free space where it is
// written. A copy that would pass either is refused with a fault that says which, before the
// file is written. A file is looked at before it is opened, so that a device or a pipe is never
// opened; paths are opened inside a root folder (platform/RootedPath.h), so a link is followed
// only as far as that root reaches.
#pragma once

#include "common/Result.h"
#include "platform/RootedPath.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velorin::common {

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
    Result<void> take(std::uint64_t bytes, const std::string& file);

private:
    CopyAllowance(std::uint64_t left, std::string limit)
        : m_left(left), m_limit(std::move(limit)) {}
    std::uint64_t m_left;
    // The limit in words, for the fault: "the 2 GiB a private copy may take".
    std::string m_limit;
};

// A regular file opened for reading, and its size when it was opened.
struct OpenedFile {
    platform::FileDescriptor file;
    std::uint64_t size{0};
};

// The regular file at `path` inside the root folder `root`; none when it is no regular file
// that can be opened there.
std::optional<OpenedFile> openRegularFileInRoot(int root, const std::string& path);

// Writes the file `name` in the folder `destination`: the bytes of `source` when there is one
// and it is within `limit`, else an empty file. Faults name `shown`.
Result<void> copyFileInto(std::optional<OpenedFile> source, std::uint64_t limit, int destination,
                          const std::string& name, const std::string& shown,
                          CopyAllowance& allowance);

// The same into the file at `destinationFile`, made or emptied first. Faults name the
// destination, or `shown` for what cannot be read.
Result<void> copyFileTo(OpenedFile source, std::uint64_t limit, const std::string& destinationFile,
                        const std::string& shown, CopyAllowance& allowance);

// The names directly in a folder opened for reading, at most `limit` of them, in byte order.
// Faults name `shown`.
Result<std::vector<std::string>> listFolderNames(int folder, std::size_t limit,
                                                 const std::string& shown);

// Makes the folders of `relativePath` under the folder `base` that are missing, and opens the
// last; a fault naming `shownPath` when one cannot be made.
Result<platform::FileDescriptor> makeFolders(int base, std::string_view relativePath,
                                             const std::string& shownPath);

} // namespace velorin::common
