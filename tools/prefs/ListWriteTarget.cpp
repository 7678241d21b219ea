#include "tools/prefs/ListWriteTarget.h"

#include "common/SystemCalls.h"

#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace velorin::tools {

namespace {

// The kernel's own bound on the links followed in one resolution.
constexpr int maximumLinksFollowed = 40;

} // namespace

common::Result<ListWriteTarget> resolveListWriteTarget(int root, std::string_view devicePath,
                                                       MissingFolders missingFolders,
                                                       const std::string& shownPath) {
    auto fault = [&shownPath](const std::string& message) {
        return common::Fault(shownPath, message);
    };
    std::deque<std::string> remaining = platform::pathComponents(devicePath);
    // The folders walked through, the root first.
    std::vector<platform::FileDescriptor> walked;
    walked.push_back(
        TRY(common::duplicate(root).withContext(shownPath, "cannot open the device root")));
    int linksFollowed = 0;
    auto follow = [&](const std::string& name) -> std::optional<common::Fault> {
        if (++linksFollowed > maximumLinksFollowed)
            return fault("is reached through more than " + std::to_string(maximumLinksFollowed) +
                         " symbolic links; nothing is written");
        auto target = platform::readLinkAt(walked.back().get(), name);
        if (!target)
            return common::contextualFault(common::systemFault(errno), shownPath,
                                           "cannot read the link " + name);
        if (target->starts_with('/'))
            walked.resize(1);
        auto parts = platform::pathComponents(*target);
        remaining.insert(remaining.begin(), parts.begin(), parts.end());
        return std::nullopt;
    };

    while (!remaining.empty()) {
        std::string name = std::move(remaining.front());
        remaining.pop_front();
        if (name == "..") {
            if (walked.size() == 1)
                return fault("is a link that leads out of the device root; it is left as it is "
                             "and nothing is written");
            walked.pop_back();
            continue;
        }
        int folder = walked.back().get();
        struct stat status {};
        if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            common::Fault missing = common::systemFault(errno);
            if (missing.systemError != ENOENT)
                return common::contextualFault(missing, shownPath,
                                               "cannot be reached (" + name + ")");
            if (remaining.empty())
                return ListWriteTarget{TRY(common::duplicate(folder).withContext(
                                           shownPath, "cannot be reached (" + name + ")")),
                                       name};
            // Only the folders of the list's own path are made, never those a link names.
            if (linksFollowed > 0)
                return fault("cannot be written: it is a link to a place where the device root "
                             "has no folder " +
                             name + "; nothing is written");
            if (missingFolders == MissingFolders::Refuse)
                return fault("cannot be written: the folder " + name + " does not exist");
            if (auto made = common::makeFolderAt(folder, name, 0755);
                !made && made.fault().systemError != EEXIST)
                return std::move(made)
                    .withContext(shownPath, "cannot make the folder " + name)
                    .fault();
            if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
                return common::contextualFault(common::systemFault(errno), shownPath,
                                               "cannot be reached (" + name + ")");
        }
        if (S_ISLNK(status.st_mode)) {
            if (auto failed = follow(name))
                return *failed;
            continue;
        }
        if (remaining.empty()) {
            if (S_ISDIR(status.st_mode))
                return fault("is a folder, not a preference list; nothing is written");
            return ListWriteTarget{TRY(common::duplicate(folder).withContext(
                                       shownPath, "cannot be reached (" + name + ")")),
                                   name};
        }
        if (!S_ISDIR(status.st_mode))
            return fault("cannot be written: " + name + " is not a folder");
        walked.push_back(TRY(common::openAt(folder, name, O_PATH | O_DIRECTORY | O_NOFOLLOW)
                                 .withContext(shownPath, "cannot be reached (" + name + ")")));
    }
    return fault("names the device root's own folder, not a preference list");
}

} // namespace velorin::tools
