// Brings libvelorin.so into the process with the dynamic loader, which runs the library's
// load-time initializer, and takes it out again.
//
// A process may load the library again after unloading it only if the loader really unmapped
// it: only then does the library's process-wide state (the settings, the container, the hook
// slots, the keep-awake flag) start afresh. A library the loader keeps resident (as it must
// when the library holds symbols unique to the process) would carry the previous host's state
// into the next, so a load after such an unload is refused with a message. Unloading asks the
// loader which of the two happened.
#pragma once

#include "common/Result.h"

#include <string>

namespace velorin::sim {

// Where libvelorin.so is: $VELORIN_EXTENSION_LIBRARY if set, else the one installed beside
// the running program, else the build tree's, else the one in the configured install prefix.
std::string defaultExtensionLibrary();

class ExtensionLoader {
public:
    ExtensionLoader() = default;
    ~ExtensionLoader();
    ExtensionLoader(const ExtensionLoader&) = delete;
    ExtensionLoader& operator=(const ExtensionLoader&) = delete;

    // Loads the library, running its initializer; a fault when it cannot.
    common::Result<void> load(const std::string& path);
    // Unloads it; nothing when it is not loaded.
    void unload();
    bool isLoaded() const { return m_handle != nullptr; }

private:
    void* m_handle{nullptr};
    std::string m_path;
};

} // namespace velorin::sim
