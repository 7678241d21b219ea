#include "common/RootedDestination.h"

#include "common/SystemCalls.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velorin::common {

namespace {

// The walk inside the root with the writers' rule, its failures in words.
Result<platform::RootedLocation> locateForWriting(int root, std::string_view devicePath,
                                                  const std::string& shown) {
    platform::RootedLocation refusal;
    std::optional<platform::RootedLocation> location =
        platform::locateInRoot(root, devicePath, platform::AboveRoot::Refused, &refusal);
    if (location)
        return std::move(*location);
    int error = errno;
    if (error == EXDEV)
        return Fault(shown, "is reached through a link" +
                                (refusal.lastLink.empty() ? std::string()
                                                          : " (" + refusal.lastLink + ")") +
                                " that leads out of the device root; the link is left as it "
                                "is and nothing is written");
    Fault unreached(shown, "cannot be reached (" + describeSystemError(error) +
                               "); nothing is written");
    unreached.systemError = error;
    return unreached;
}

// The refusal of a destination whose first missing folder a link names.
Fault missingLinkedFolder(const platform::RootedLocation& location, const std::string& shown) {
    return Fault(shown, "cannot be written: it is reached through a link (" + location.lastLink +
                            ") to a place where the device root has no folder " +
                            location.rest.front() + "; nothing is written");
}

bool exists(int folder, const std::string& name, struct stat& status) {
    return ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

// The path on this machine of an open folder, with no link in it.
Result<std::string> hostPathOf(int folder, const std::string& shown) {
    std::string procPath = "/proc/self/fd/" + std::to_string(folder);
    std::optional<std::string> path = platform::readLinkAt(AT_FDCWD, procPath);
    if (!path || !path->starts_with('/'))
        return contextualFault(systemFault(path ? ENOENT : errno), shown,
                               "cannot be reached; nothing is written");
    return *path;
}

} // namespace

Result<RootedFileDestination> fileDestinationInRoot(int root, std::string_view devicePath,
                                                    MissingFolders missingFolders,
                                                    const std::string& shown) {
    auto location = TRY(locateForWriting(root, devicePath, shown));
    if (location.rest.empty())
        return Fault(shown, "names the device root's own folder, not a file; nothing is written");
    struct stat status {};
    bool present = location.rest.size() == 1 &&
                   exists(location.folder.get(), location.rest.front(), status);
    if (present) {
        if (S_ISDIR(status.st_mode))
            return Fault(shown, "is a folder, not a file; nothing is written");
        return RootedFileDestination{std::move(location.folder), location.rest.front()};
    }
    if (location.rest.size() > 1) {
        if (location.restNamedByLink)
            return missingLinkedFolder(location, shown);
        if (missingFolders == MissingFolders::Refuse)
            return Fault(shown, "cannot be written: the folder " + location.rest.front() +
                                    " does not exist");
    }
    platform::FileDescriptor folder = std::move(location.folder);
    while (location.rest.size() > 1) {
        std::string name = std::move(location.rest.front());
        location.rest.pop_front();
        if (auto made = makeFolderAt(folder.get(), name, 0755);
            !made && made.fault().systemError != EEXIST)
            return std::move(made).withContext(shown, "cannot make the folder " + name).fault();
        folder = TRY(openAt(folder.get(), name, O_PATH | O_DIRECTORY | O_NOFOLLOW)
                         .withContext(shown, "cannot be reached (" + name + ")"));
    }
    return RootedFileDestination{std::move(folder), location.rest.front()};
}

Result<std::string> folderDestinationInRoot(const std::string& rootPath,
                                            std::string_view devicePath, const std::string& shown) {
    auto root = TRY(openRoot(rootPath).withContext(rootPath, "cannot open the device root"));
    auto location = TRY(locateForWriting(root.get(), devicePath, shown));
    struct stat status {};
    bool lastPresent = location.rest.size() == 1 &&
                       exists(location.folder.get(), location.rest.front(), status);
    if (lastPresent && !S_ISDIR(status.st_mode))
        return Fault(shown, "is not a folder; nothing is written");
    if (!location.rest.empty() && !lastPresent && location.restNamedByLink)
        return missingLinkedFolder(location, shown);
    auto folderPath = hostPathOf(location.folder.get(), shown);
    auto rootHostPath = hostPathOf(root.get(), rootPath);
    if (!folderPath)
        return folderPath.fault();
    if (!rootHostPath)
        return rootHostPath.fault();
    std::string path = std::move(folderPath.value());
    // The walk never leaves the root; a root reached again by another name (a bind mount)
    // is the one case where the folder's own path would not begin with the root's.
    const std::string& rootHost = rootHostPath.value();
    if (path != rootHost && !path.starts_with(rootHost == "/" ? rootHost : rootHost + "/"))
        return Fault(shown, "resolves to " + path + ", outside the device root " + rootHost +
                                "; nothing is written");
    for (const std::string& name : location.rest)
        path += (path.ends_with('/') ? "" : "/") + name;
    return path;
}

} // namespace velorin::common
