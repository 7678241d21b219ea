// Opening paths inside a device root the way the device's own "/" would resolve them.
//
// A device root is a folder on this machine that stands for the device's "/". Every path
// resolved inside it stays inside it: ".." stops at the root, and a symbolic link whose target
// is absolute is followed from the root, not from this machine's "/". A link inside the root
// that points to another place inside the root works as on the device; nothing reaches a file
// outside the root, whatever the links say.
//
// Linux's openat2 with RESOLVE_IN_ROOT does exactly this. Where the kernel refuses the call
// (ENOSYS on an older kernel, EPERM under a filter that does not know it), the path is resolved
// one component at a time with O_NOFOLLOW, reading each link with readlinkat and re-rooting
// absolute targets, with at most 40 links followed, as the kernel allows.
//
// openat2 only opens. Making folders, listing, renaming and removing are done with the *at
// calls on a folder descriptor opened here, naming a single entry in it. Writers that need
// that folder, or need to refuse a path that climbs out of the root rather than stop it at
// the root, walk the path with locateInRoot, the same walk the fallback opens with.
#pragma once

#include "platform/Export.h"

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform {

// A file descriptor that closes itself.
class VELORIN_EXPORT FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int descriptor) : m_descriptor(descriptor) {}
    FileDescriptor(FileDescriptor&& other) noexcept;
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();

    int get() const { return m_descriptor; }
    explicit operator bool() const { return m_descriptor >= 0; }
    int release();

private:
    int m_descriptor{-1};
};

// The folder `hostPath` on this machine, opened as a root to resolve paths in; an invalid
// descriptor, with errno set, when it is not a folder that can be opened.
VELORIN_EXPORT FileDescriptor openRootFolder(const std::string& hostPath);

// Opens `path` inside the root folder `root` with open(2)'s `flags` and `mode`. The path may
// begin with a slash or not; either way it is read from the root. An invalid descriptor, with
// errno set, when it cannot be opened. A path holding a NUL byte names nothing (ENOENT).
VELORIN_EXPORT FileDescriptor openInRoot(int root, std::string_view path, int flags,
                                         mode_t mode = 0);

// The components of a path, without empty ones and ".": "a//b/./c" gives a, b, c. ".." is kept,
// for the caller to resolve.
VELORIN_EXPORT std::deque<std::string> pathComponents(std::string_view path);

// The target of the symbolic link `name` in the folder `folder`; none, with errno set, when it
// cannot be read.
VELORIN_EXPORT std::optional<std::string> readLinkAt(int folder, const std::string& name);

// What a walk inside a root does with a ".." at the root: the device's own resolution stops
// there (readers); a writer refuses the path instead (EXDEV), since what a link climbing out
// names on this machine is no file of the device's, and writing there would change it.
enum class AboveRoot { StopsAtRoot, Refused };

// Where a path inside a root leads, as far as it exists.
struct RootedLocation {
    // The last folder reached, opened with O_PATH.
    FileDescriptor folder;
    // What is left of the path from `folder`, links resolved: nothing when the path names
    // `folder` itself; one name for an entry of `folder` that is no link (it may not exist);
    // several when the first of them is a missing folder, the rest to go below it.
    std::deque<std::string> rest;
    // Whether the first name of `rest` came from a link's target rather than from the path
    // itself: a folder a link names is never made by a writer.
    bool restNamedByLink{false};
    // The last link followed on the way, for messages; empty when none was.
    std::string lastLink;
};

// Walks `path` inside the root folder `root` one component at a time, following links by
// hand (at most 40, as the kernel does; then ELOOP), re-rooting absolute targets. None, with
// errno set, when an entry on the way cannot be read or is no folder (ENOTDIR), when a ".."
// after a missing folder cannot be resolved (ENOENT), or, with AboveRoot::Refused, when the
// path climbs above the root (EXDEV; `lastLink` of `refusal` then names the link that did, if
// one did). Readers and writers of a root resolve through this one walk.
VELORIN_EXPORT std::optional<RootedLocation> locateInRoot(int root, std::string_view path,
                                                          AboveRoot aboveRoot,
                                                          RootedLocation* refusal = nullptr);

// The same, without ever using openat2, for testing the fallback where the kernel has no
// openat2; callers use openInRoot.
VELORIN_EXPORT FileDescriptor openInRootOneComponentAtATime(int root, std::string_view path,
                                                            int flags, mode_t mode = 0);

} // namespace platform
