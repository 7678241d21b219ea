#include "common/FileCopy.h"

#include "common/ByteCount.h"
#include "common/SystemCalls.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace velorin::common {

namespace {

using platform::FileDescriptor;

// The copy buffer; files are streamed, never held whole.
constexpr std::size_t copyChunkBytes = 1 << 20;

enum class Streamed { Copied, PastLimit };

// Streams `source` into `target`, at most `limit` bytes; PastLimit when the file holds more
// (it grew since it was measured). The faults name `shown`.
Result<Streamed> stream(int source, int target, std::uint64_t limit, const std::string& shown) {
    std::vector<std::uint8_t> buffer(copyChunkBytes);
    std::uint64_t copied = 0;
    for (;;) {
        std::size_t count = TRY(readSome(source, buffer).withContext(shown, "cannot be read"));
        if (count == 0)
            return Streamed::Copied;
        copied += count;
        if (copied > limit)
            return Streamed::PastLimit;
        TRY(writeAll(target, std::span(buffer).first(count))
                .withContext(shown, "cannot be copied"));
    }
}

// Streams the source into the opened target; a file that grew past the limit while it was
// copied is refused as the extension refuses it: what is left is empty.
Result<void> fill(const OpenedFile& source, std::uint64_t limit, int target,
                  const std::string& shown, const std::string& targetShown,
                  std::string_view writing) {
    Streamed streamed = TRY(stream(source.file.get(), target, limit, shown));
    if (streamed == Streamed::PastLimit && ::ftruncate(target, 0) != 0)
        return contextualFault(systemFault(errno), targetShown, writing);
    return {};
}

} // namespace

CopyAllowance CopyAllowance::forFolder(const std::string& destinationFolder,
                                       CopyDestination destination) {
    std::uint64_t left = privateCopyByteLimit;
    std::string limit = destination == CopyDestination::PrivateCopy
                            ? "the " + describeByteCount(privateCopyByteLimit) +
                                  " a private copy may take ($TMPDIR names where private copies "
                                  "go)"
                            : "the " + describeByteCount(privateCopyByteLimit) +
                                  " a sequence folder's copy may take";
    struct statvfs space {};
    if (::statvfs(destinationFolder.c_str(), &space) == 0) {
        std::uint64_t free = std::uint64_t{space.f_bavail} * space.f_frsize;
        if (free < left) {
            left = free;
            limit = "the " + describeByteCount(free) + " free in " + destinationFolder +
                    (destination == CopyDestination::PrivateCopy
                         ? " ($TMPDIR names where private copies go)"
                         : "");
        }
    }
    return CopyAllowance(left, std::move(limit));
}

Result<void> CopyAllowance::take(std::uint64_t bytes, const std::string& file) {
    if (bytes > m_left)
        return Fault(file, "is not copied: the copy would pass " + m_limit);
    m_left -= bytes;
    return {};
}

std::optional<OpenedFile> openRegularFileInRoot(int root, const std::string& path) {
    FileDescriptor found = platform::openInRoot(root, path, O_PATH);
    struct stat status {};
    if (!found || ::fstat(found.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    FileDescriptor file = platform::openInRoot(root, path, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (!file || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return OpenedFile{std::move(file), static_cast<std::uint64_t>(status.st_size)};
}

Result<void> copyFileInto(std::optional<OpenedFile> source, std::uint64_t limit, int destination,
                          const std::string& name, const std::string& shown,
                          CopyAllowance& allowance) {
    bool withBytes = source && source->size <= limit;
    if (withBytes)
        TRY(allowance.take(source->size, shown));
    auto target = TRY(openAt(destination, name, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0644)
                          .withContext(shown, "cannot be copied"));
    if (!withBytes)
        return {};
    return fill(*source, limit, target.get(), shown, shown, "cannot be copied");
}

Result<void> copyFileTo(OpenedFile source, std::uint64_t limit, const std::string& destinationFile,
                        const std::string& shown, CopyAllowance& allowance) {
    TRY(allowance.take(source.size, shown));
    auto target = TRY(openFile(destinationFile, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0644)
                          .withContext(destinationFile, "cannot be written"));
    return fill(source, limit, target.get(), shown, destinationFile, "cannot be written");
}

Result<std::vector<std::string>> listFolderNames(int folder, std::size_t limit,
                                                 const std::string& shown) {
    auto listing = TRY(duplicate(folder).withContext(shown, "cannot be listed"));
    std::unique_ptr<DIR, int (*)(DIR*)> entries(::fdopendir(listing.get()), ::closedir);
    if (!entries)
        return contextualFault(systemFault(errno), shown, "cannot be listed");
    listing.release();
    std::vector<std::string> names;
    while (names.size() < limit) {
        errno = 0;
        const dirent* entry = ::readdir(entries.get());
        if (!entry) {
            if (errno != 0)
                return contextualFault(systemFault(errno), shown, "cannot be listed");
            break;
        }
        std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

Result<FileDescriptor> makeFolders(int base, std::string_view relativePath,
                                   const std::string& shownPath) {
    auto folder = TRY(duplicate(base).withContext(shownPath, "cannot be made"));
    std::size_t start = 0;
    while (start < relativePath.size()) {
        auto end = relativePath.find('/', start);
        if (end == std::string_view::npos)
            end = relativePath.size();
        std::string name(relativePath.substr(start, end - start));
        start = end + 1;
        if (name.empty() || name == ".")
            continue;
        if (auto made = makeFolderAt(folder.get(), name, 0755);
            !made && made.fault().systemError != EEXIST)
            return std::move(made).withContext(shownPath, "cannot be made").fault();
        folder = TRY(openAt(folder.get(), name, O_PATH | O_DIRECTORY | O_NOFOLLOW)
                         .withContext(shownPath, "cannot be made"));
    }
    return folder;
}

} // namespace velorin::common
