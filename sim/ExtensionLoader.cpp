#include "sim/ExtensionLoader.h"

#include "common/ProgramLocation.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace velorin::sim {

namespace {

enum class ProcessHistory { NeverLoaded, Loaded, FullyUnloaded, LeftResident };

ProcessHistory history = ProcessHistory::NeverLoaded;

bool isFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

std::string defaultExtensionLibrary() {
    if (const char* fromEnvironment = std::getenv("VELORIN_EXTENSION_LIBRARY"))
        return fromEnvironment;
    // An installed program finds the library in its own prefix first, so that an install
    // under another prefix, or a tree moved after installing, still loads its own copy.
    std::string installed = std::string(VELORIN_INSTALLED_LIBRARY_DIR) + "/libvelorin.so";
    auto besideProgram =
        common::besideRunningProgram(VELORIN_LIBRARY_FROM_PROGRAM "/libvelorin.so");
    for (const std::string& candidate : {besideProgram ? besideProgram->string() : std::string(),
                                         std::string(VELORIN_BUILD_LIBRARY_PATH), installed}) {
        if (!candidate.empty() && isFile(candidate))
            return candidate;
    }
    return installed;
}

ExtensionLoader::~ExtensionLoader() {
    unload();
}

common::Result<void> ExtensionLoader::load(const std::string& path) {
    if (m_handle)
        return common::Fault(path, "the extension is already loaded");
    if (history == ProcessHistory::Loaded || history == ProcessHistory::LeftResident)
        return common::Fault(
            path, "the extension has already been loaded into this process and cannot be "
                  "loaded afresh; start a new process for another simulated host");
    if (!isFile(path))
        return common::Fault(path, "no such extension library");
    // Every symbol is bound now, so that a library that cannot work fails here rather than
    // in the middle of a run; its symbols stay out of the process's global scope.
    m_handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char* reason = ::dlerror();
        return common::Fault(path, std::string("cannot load the extension: ") +
                                       (reason ? reason : "unknown fault"));
    }
    m_path = path;
    history = ProcessHistory::Loaded;
    return {};
}

void ExtensionLoader::unload() {
    if (!m_handle)
        return;
    ::dlclose(m_handle);
    m_handle = nullptr;
    // Asking for the library without loading it tells whether the loader really let it go.
    if (void* resident = ::dlopen(m_path.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
        ::dlclose(resident);
        history = ProcessHistory::LeftResident;
    } else {
        history = ProcessHistory::FullyUnloaded;
    }
}

} // namespace velorin::sim
