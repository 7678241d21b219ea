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

FileDescriptor openInRootOneComponentAtATime(int root, std::string_view path, int flags,
                                             mode_t mode) {
    if (holdsNul(path)) {
        errno = ENOENT;
        return FileDescriptor();
    }
    std::deque<std::string> remaining = pathComponents(path);
    // The folders walked through, the root first; ".." goes back one and stops at the root.
    std::vector<FileDescriptor> walked;
    walked.emplace_back(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    if (!walked.back())
        return FileDescriptor();
    int linksFollowed = 0;
    auto followLink = [&](const std::string& name) -> bool {
        if (++linksFollowed > maximumLinksFollowed) {
            errno = ELOOP;
            return false;
        }
        std::optional<std::string> target = readLinkAt(walked.back().get(), name);
        if (!target)
            return false;
        // An absolute target is read from the root, as on the device.
        if (target->starts_with('/'))
            walked.resize(1);
        std::deque<std::string> targetParts = pathComponents(*target);
        remaining.insert(remaining.begin(), targetParts.begin(), targetParts.end());
        return true;
    };

    while (!remaining.empty()) {
        std::string name = std::move(remaining.front());
        remaining.pop_front();
        if (name == "..") {
            if (walked.size() > 1)
                walked.pop_back();
            continue;
        }
        int folder = walked.back().get();
        if (!remaining.empty()) {
            // A folder on the way: a link is followed by hand, anything else must be a folder.
            FileDescriptor step(::openat(folder, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
            if (!step)
                return FileDescriptor();
            struct stat status {};
            if (::fstat(step.get(), &status) != 0)
                return FileDescriptor();
            if (S_ISLNK(status.st_mode)) {
                if (!followLink(name))
                    return FileDescriptor();
                continue;
            }
            if (!S_ISDIR(status.st_mode)) {
                errno = ENOTDIR;
                return FileDescriptor();
            }
            walked.push_back(std::move(step));
            continue;
        }
        // The last component: opened as asked, except that a link is never followed by the
        // kernel; it answers ELOOP (or, with O_PATH, gives the link itself) and is followed
        // here, inside the root.
        FileDescriptor opened(::openat(folder, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode));
        if (opened) {
            struct stat status {};
            bool isLink =
                (flags & O_PATH) && ::fstat(opened.get(), &status) == 0 && S_ISLNK(status.st_mode);
            if (!isLink)
                return opened;
        } else if (errno != ELOOP) {
            return FileDescriptor();
        }
        if (!followLink(name))
            return FileDescriptor();
    }
    // The path named the root itself, or a folder reached by "..".
    return FileDescriptor(::openat(walked.back().get(), ".", flags | O_CLOEXEC, mode));
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
