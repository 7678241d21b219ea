#include "sim/PrivateCopy.h"

#include "animation/FrameLoading.h"
#include "common/SystemError.h"
#include "platform/PreferenceStore.h"
#include "sequences/FrameListing.h"
#include "sequences/SequenceOptions.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace velorin::sim {

namespace {

using platform::FileDescriptor;

// The copy buffer; files are streamed, never held whole.
constexpr std::size_t copyChunkBytes = 1 << 20;

bool isFrameEntry(std::string_view name) {
    // The extension's rule: the text after the last period is exactly "png".
    auto period = name.rfind('.');
    return period != std::string_view::npos && name.substr(period + 1) == frameExtension;
}

std::string joined(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += name;
    return path;
}

// The regular file at `path` inside `root`, opened for reading, and its size; an invalid
// descriptor when it is no regular file that can be opened there. It is looked at without
// opening it first, so that a device or a pipe is never opened.
std::pair<FileDescriptor, std::uint64_t> openRegularFile(int root, const std::string& path) {
    FileDescriptor found = platform::openInRoot(root, path, O_PATH);
    struct stat status {};
    if (!found || ::fstat(found.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    FileDescriptor file = platform::openInRoot(root, path, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (!file || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    return {std::move(file), static_cast<std::uint64_t>(status.st_size)};
}

enum class Streamed { Copied, PastLimit };

// Streams `source` into `target`, at most `limit` bytes; PastLimit when the file holds more
// (it grew since it was measured). The fault names `shown`.
common::Result<Streamed> stream(int source, int target, std::uint64_t limit,
                                const std::string& shown) {
    std::vector<std::uint8_t> buffer(copyChunkBytes);
    std::uint64_t copied = 0;
    for (;;) {
        ssize_t count = ::read(source, buffer.data(), buffer.size());
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return common::Fault(shown, "cannot be read: " + common::describeSystemError(errno));
        }
        if (count == 0)
            return Streamed::Copied;
        copied += static_cast<std::uint64_t>(count);
        if (copied > limit)
            return Streamed::PastLimit;
        for (ssize_t written = 0; written < count;) {
            ssize_t step =
                ::write(target, buffer.data() + written, static_cast<std::size_t>(count - written));
            if (step < 0) {
                if (errno == EINTR)
                    continue;
                return common::Fault(shown,
                                     "cannot be copied: " + common::describeSystemError(errno));
            }
            written += step;
        }
    }
}

// Writes the entry `name` of the destination: the source file's bytes when `source` is open
// and within `limit`, else nothing, making an empty file.
common::Result<void> copyEntry(std::pair<FileDescriptor, std::uint64_t> source, std::uint64_t limit,
                               int destination, const std::string& name, const std::string& shown,
                               CopyAllowance& allowance) {
    bool withBytes = source.first && source.second <= limit;
    if (withBytes) {
        if (auto taken = allowance.take(source.second, shown); !taken)
            return taken;
    }
    FileDescriptor target(::openat(destination, name.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!target)
        return common::Fault(shown, "cannot be copied: " + common::describeSystemError(errno));
    if (!withBytes)
        return {};
    auto streamed = stream(source.first.get(), target.get(), limit, shown);
    if (!streamed)
        return streamed.fault();
    // A file that grew past the limit while it was copied is refused as the extension
    // refuses it: what is left is empty.
    if (streamed.value() == Streamed::PastLimit && ::ftruncate(target.get(), 0) != 0)
        return common::Fault(shown, "cannot be copied: " + common::describeSystemError(errno));
    return {};
}

// The names directly in a folder opened for reading, at most `limit` of them.
common::Result<std::vector<std::string>> listFolder(const FileDescriptor& folder, std::size_t limit,
                                                    const std::string& shown) {
    FileDescriptor listing(::fcntl(folder.get(), F_DUPFD_CLOEXEC, 0));
    if (!listing)
        return common::Fault(shown, "cannot be listed: " + common::describeSystemError(errno));
    std::unique_ptr<DIR, int (*)(DIR*)> stream(::fdopendir(listing.get()), ::closedir);
    if (!stream)
        return common::Fault(shown, "cannot be listed: " + common::describeSystemError(errno));
    listing.release();
    std::vector<std::string> names;
    while (names.size() < limit) {
        errno = 0;
        const dirent* entry = ::readdir(stream.get());
        if (!entry) {
            if (errno != 0)
                return common::Fault(shown,
                                     "cannot be listed: " + common::describeSystemError(errno));
            break;
        }
        std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

bool isResourceForkName(std::string_view name) {
    return name.starts_with("._");
}

CopyAllowance CopyAllowance::forFolder(const std::string& destinationFolder,
                                       CopyDestination destination) {
    std::uint64_t left = privateCopyByteLimit;
    std::string limit = destination == CopyDestination::PrivateCopy
                            ? "the " + common::describeByteCount(privateCopyByteLimit) +
                                  " a private copy may take ($TMPDIR names where private copies "
                                  "go)"
                            : "the " + common::describeByteCount(privateCopyByteLimit) +
                                  " a sequence folder's copy may take";
    struct statvfs space {};
    if (::statvfs(destinationFolder.c_str(), &space) == 0) {
        std::uint64_t free = std::uint64_t{space.f_bavail} * space.f_frsize;
        if (free < left) {
            left = free;
            limit = "the " + common::describeByteCount(free) + " free in " + destinationFolder +
                    (destination == CopyDestination::PrivateCopy
                         ? " ($TMPDIR names where private copies go)"
                         : "");
        }
    }
    return CopyAllowance(left, std::move(limit));
}

common::Result<void> CopyAllowance::take(std::uint64_t bytes, const std::string& file) {
    if (bytes > m_left)
        return common::Fault(file, "is not copied: the copy would pass " + m_limit);
    m_left -= bytes;
    return {};
}

common::Result<platform::FileDescriptor> makeFolders(int base, std::string_view relativePath,
                                                     const std::string& shownPath) {
    FileDescriptor folder(::fcntl(base, F_DUPFD_CLOEXEC, 0));
    if (!folder)
        return common::Fault(shownPath, "cannot be made: " + common::describeSystemError(errno));
    std::size_t start = 0;
    while (start < relativePath.size()) {
        auto end = relativePath.find('/', start);
        if (end == std::string_view::npos)
            end = relativePath.size();
        std::string name(relativePath.substr(start, end - start));
        start = end + 1;
        if (name.empty() || name == ".")
            continue;
        if (::mkdirat(folder.get(), name.c_str(), 0755) != 0 && errno != EEXIST)
            return common::Fault(shownPath,
                                 "cannot be made: " + common::describeSystemError(errno));
        FileDescriptor next(
            ::openat(folder.get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next)
            return common::Fault(shownPath,
                                 "cannot be made: " + common::describeSystemError(errno));
        folder = std::move(next);
    }
    return folder;
}

common::Result<void> copySequenceFolder(int root, std::string_view folderPath,
                                        const std::string& shownFolder, int destination,
                                        CopyAllowance& allowance,
                                        const common::InterruptionCheck& interrupted,
                                        ResourceForkCopy resourceForks) {
    FileDescriptor folder = platform::openInRoot(root, folderPath, O_RDONLY | O_DIRECTORY);
    if (!folder)
        return common::Fault(shownFolder,
                             "cannot be opened: " + common::describeSystemError(errno));
    auto names = listFolder(folder, folderListingLimit, shownFolder);
    if (!names)
        return names.fault();
    for (const std::string& name : names.value()) {
        if (common::isInterrupted(interrupted))
            return common::interruptionFault();
        bool frame = isFrameEntry(name);
        if (!frame && name != optionsFileName)
            continue;
        if (resourceForks == ResourceForkCopy::Drop && isResourceForkName(name))
            continue;
        std::string path = joined(folderPath, name);
        std::string shown = joined(shownFolder, name);
        auto source = openRegularFile(root, path);
        if (frame) {
            if (auto copied = copyEntry(std::move(source), frameFileByteLimit, destination, name,
                                        shown, allowance);
                !copied)
                return copied;
        } else if (source.first && source.second <= optionsFileByteLimit) {
            if (auto copied = copyEntry(std::move(source), optionsFileByteLimit, destination, name,
                                        shown, allowance);
                !copied)
                return copied;
        }
    }
    return {};
}

common::Result<void> copyPreferenceList(int root, const std::string& domain,
                                        const std::string& shownRoot,
                                        const std::string& destinationFile,
                                        CopyAllowance& allowance) {
    std::string devicePath = platform::preferenceDevicePath(domain);
    std::string shown = joined(shownRoot, devicePath);
    auto source = openRegularFile(root, devicePath);
    if (!source.first || source.second > platform::preferenceListByteLimit)
        return {};
    if (auto taken = allowance.take(source.second, shown); !taken)
        return taken;
    FileDescriptor target(::open(destinationFile.c_str(),
                                 O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!target)
        return common::Fault(destinationFile,
                             "cannot be written: " + common::describeSystemError(errno));
    auto streamed =
        stream(source.first.get(), target.get(), platform::preferenceListByteLimit, shown);
    if (!streamed)
        return streamed.fault();
    if (streamed.value() == Streamed::PastLimit && ::ftruncate(target.get(), 0) != 0)
        return common::Fault(destinationFile,
                             "cannot be written: " + common::describeSystemError(errno));
    return {};
}

} // namespace velorin::sim
