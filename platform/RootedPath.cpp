#include "platform/RootedPath.h"

#include <array>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <linux/openat2.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {

namespace {

// The kernel's own limit on links followed in one resolution.
constexpr int maximumLinksFollowed = 40;
// openat2 answers EAGAIN when a rename elsewhere raced with the resolution; it is safe to ask
// again, a few times.
constexpr int concurrentRenameRetries = 8;

bool holdsNul(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

// The path as openat2 takes it: relative, since RESOLVE_IN_ROOT reads it from the root anyway.
std::string relativeToRoot(std::string_view path) {
    while (path.starts_with('/'))
        path.remove_prefix(1);
    if (path.empty())
        return ".";
    return std::string(path);
}

} // namespace

std::deque<std::string> pathComponents(std::string_view path) {
    std::deque<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        auto end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        auto part = path.substr(start, end - start);
        if (!part.empty() && part != ".")
            parts.emplace_back(part);
        start = end + 1;
    }
    return parts;
}

std::optional<std::string> readLinkAt(int folder, const std::string& name) {
    std::string target(256, '\0');
    for (;;) {
        auto length = ::readlinkat(folder, name.c_str(), target.data(), target.size());
        if (length < 0)
            return std::nullopt;
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            return target;
        }
        // PATH_MAX bounds what a link can hold; a longer answer means the buffer was short.
        if (target.size() >= 65536) {
            errno = ENAMETOOLONG;
            return std::nullopt;
        }
        target.resize(target.size() * 2);
    }
}

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1)) {
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
        m_descriptor = std::exchange(other.m_descriptor, -1);
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

int FileDescriptor::release() {
    return std::exchange(m_descriptor, -1);
}

FileDescriptor openRootFolder(const std::string& hostPath) {
    return FileDescriptor(::open(hostPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
}

std::optional<RootedLocation> locateInRoot(int root, std::string_view path, AboveRoot aboveRoot,
                                           RootedLocation* refusal) {
    if (holdsNul(path)) {
        errno = ENOENT;
        return std::nullopt;
    }
    // Each name to go, and whether a link's target gave it.
    struct Step {
        std::string name;
        bool namedByLink;
    };
    std::deque<Step> remaining;
    for (std::string& part : pathComponents(path))
        remaining.push_back({std::move(part), false});
    // The folders walked through, the root first; ".." goes back one.
    std::vector<FileDescriptor> walked;
    walked.emplace_back(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    if (!walked.back())
        return std::nullopt;
    int linksFollowed = 0;
    std::string lastLink;
    auto followLink = [&](const std::string& name) -> bool {
        if (++linksFollowed > maximumLinksFollowed) {
            errno = ELOOP;
            return false;
        }
        std::optional<std::string> target = readLinkAt(walked.back().get(), name);
        if (!target)
            return false;
        lastLink = name;
        // An absolute target is read from the root, as on the device.
        if (target->starts_with('/'))
            walked.resize(1);
        std::deque<std::string> targetParts = pathComponents(*target);
        for (auto part = targetParts.rbegin(); part != targetParts.rend(); ++part)
            remaining.push_front({std::move(*part), true});
        return true;
    };

    while (!remaining.empty()) {
        Step step = std::move(remaining.front());
        remaining.pop_front();
        if (step.name == "..") {
            if (walked.size() > 1) {
                walked.pop_back();
                continue;
            }
            if (aboveRoot == AboveRoot::StopsAtRoot)
                continue;
            if (refusal)
                refusal->lastLink = lastLink;
            errno = EXDEV;
            return std::nullopt;
        }
        int folder = walked.back().get();
        struct stat status {};
        if (::fstatat(folder, step.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                return std::nullopt;
            // Missing: the rest is for the caller to make or to give up on, unless it would
            // climb back out of what is not there.
            RootedLocation location{std::move(walked.back()), {step.name}, step.namedByLink,
                                    lastLink};
            for (Step& later : remaining) {
                if (later.name == "..") {
                    errno = ENOENT;
                    return std::nullopt;
                }
                location.rest.push_back(std::move(later.name));
            }
            return location;
        }
        if (S_ISLNK(status.st_mode)) {
            if (!followLink(step.name))
                return std::nullopt;
            continue;
        }
        if (remaining.empty())
            return RootedLocation{std::move(walked.back()), {step.name}, step.namedByLink,
                                  lastLink};
        if (!S_ISDIR(status.st_mode)) {
            errno = ENOTDIR;
            return std::nullopt;
        }
        FileDescriptor next(::openat(folder, step.name.c_str(),
                                     O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next)
            return std::nullopt;
        walked.push_back(std::move(next));
    }
    // The path named the root itself, or a folder reached by "..".
    return RootedLocation{std::move(walked.back()), {}, false, lastLink};
}

FileDescriptor openInRootOneComponentAtATime(int root, std::string_view path, int flags,
                                             mode_t mode) {
    std::optional<RootedLocation> location = locateInRoot(root, path, AboveRoot::StopsAtRoot);
    if (!location)
        return FileDescriptor();
    if (location->rest.size() > 1) {
        errno = ENOENT;
        return FileDescriptor();
    }
    if (location->rest.empty())
        return FileDescriptor(::openat(location->folder.get(), ".", flags | O_CLOEXEC, mode));
    // The entry was no link when walked; one put there since is not followed.
    FileDescriptor opened(::openat(location->folder.get(), location->rest.front().c_str(),
                                   flags | O_NOFOLLOW | O_CLOEXEC, mode));
    struct stat status {};
    if (opened && (flags & O_PATH) && ::fstat(opened.get(), &status) == 0 &&
        S_ISLNK(status.st_mode)) {
        errno = ELOOP;
        return FileDescriptor();
    }
    return opened;
}

FileDescriptor openInRoot(int root, std::string_view path, int flags, mode_t mode) {
    if (holdsNul(path)) {
        errno = ENOENT;
        return FileDescriptor();
    }
    std::string relative = relativeToRoot(path);
    open_how how{};
    how.flags = static_cast<std::uint64_t>(flags | O_CLOEXEC);
    how.mode = (flags & (O_CREAT | O_TMPFILE)) ? mode : 0;
    how.resolve = RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS;
    for (int attempt = 0; attempt < concurrentRenameRetries; ++attempt) {
        long descriptor = ::syscall(SYS_openat2, root, relative.c_str(), &how, sizeof how);
        if (descriptor >= 0)
            return FileDescriptor(static_cast<int>(descriptor));
        if (errno == EAGAIN)
            continue;
        if (errno == ENOSYS || errno == EPERM)
            break;
        return FileDescriptor();
    }
    if (errno == EAGAIN)
        return FileDescriptor();
    return openInRootOneComponentAtATime(root, path, flags, mode);
}

} // namespace platform
