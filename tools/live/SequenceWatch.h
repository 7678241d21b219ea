// Watches a sequence folder with inotify, so that the live window hears of every change to its
// frames or its options.json.
//
// Changes inside the folder are heard when a file is written and closed, made, removed, moved
// or has its permissions changed; writes still in progress are not, so a frame is seen whole.
// The folder's parent is watched too, for a folder replaced whole (as `import --replace` and
// `install --replace` replace it) or removed and made again: the watch then follows the new
// folder. Asking never waits.
#pragma once

#include <memory>
#include <string>

namespace velorin::tools {

class SequenceWatch {
public:
    // Watches `folder`, a path on this machine; none when inotify cannot be had.
    static std::unique_ptr<SequenceWatch> watch(const std::string& folder);
    ~SequenceWatch();
    SequenceWatch(const SequenceWatch&) = delete;
    SequenceWatch& operator=(const SequenceWatch&) = delete;

    // Whether the folder changed since the last question.
    bool changed();

private:
    SequenceWatch(int descriptor, std::string folder, std::string name);
    void watchFolder();

    int m_descriptor;
    std::string m_folder;
    // The folder's name in its parent.
    std::string m_name;
    int m_folderWatch{-1};
    int m_parentWatch{-1};
};

} // namespace velorin::tools
