#include "tools/live/SequenceWatch.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/inotify.h>
#include <unistd.h>

namespace velorin::tools {

namespace {

constexpr std::uint32_t folderEvents = IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                       IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr std::uint32_t parentEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

} // namespace

std::unique_ptr<SequenceWatch> SequenceWatch::watch(const std::string& folder) {
    int descriptor = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    auto path = std::filesystem::absolute(folder).lexically_normal();
    if (!path.has_filename())
        path = path.parent_path();
    std::unique_ptr<SequenceWatch> watch(
        new SequenceWatch(descriptor, path.string(), path.filename().string()));
    watch->m_parentWatch = inotify_add_watch(descriptor, path.parent_path().c_str(), parentEvents);
    watch->watchFolder();
    return watch;
}

SequenceWatch::SequenceWatch(int descriptor, std::string folder, std::string name)
    : m_descriptor(descriptor), m_folder(std::move(folder)), m_name(std::move(name)) {
}

SequenceWatch::~SequenceWatch() {
    close(m_descriptor);
}

void SequenceWatch::watchFolder() {
    // Watching the same folder again gives the same watch; a new folder gets a new one.
    m_folderWatch = inotify_add_watch(m_descriptor, m_folder.c_str(), folderEvents | IN_ONLYDIR);
}

bool SequenceWatch::changed() {
    bool changed = false;
    bool folderReplaced = false;
    alignas(inotify_event) std::array<char, 16384> buffer;
    for (;;) {
        ssize_t count = read(m_descriptor, buffer.data(), buffer.size());
        if (count <= 0)
            break;
        for (ssize_t offset = 0; offset < count;) {
            inotify_event event;
            std::memcpy(&event, buffer.data() + offset, sizeof event);
            const char* name = buffer.data() + offset + sizeof event;
            offset += static_cast<ssize_t>(sizeof event + event.len);
            if (event.wd == m_parentWatch) {
                // Only the folder's own name matters among its siblings.
                if (event.len > 0 && m_name == name) {
                    changed = true;
                    folderReplaced = true;
                }
                continue;
            }
            if (event.wd == m_folderWatch && (event.mask & IN_IGNORED) == 0)
                changed = true;
            if (event.wd == m_folderWatch && (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF)))
                folderReplaced = true;
            if (event.mask & IN_Q_OVERFLOW)
                changed = true;
        }
    }
    if (folderReplaced)
        watchFolder();
    return changed;
}

} // namespace velorin::tools
