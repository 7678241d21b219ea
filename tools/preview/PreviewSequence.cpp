#include "tools/preview/PreviewSequence.h"

#include "sequences/SequenceDirectory.h"
#include "settings/Settings.h"
#include "sim/PrivatePreferenceDomain.h"
#include "sim/TemporaryFolder.h"
#include "tools/common/SampleRoot.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

bool isFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

bool looksLikeFolder(const std::string& argument) {
    return argument.find('/') != std::string::npos || argument == "." || argument == "..";
}

// The name the copy takes in the private root: the folder's own, when the extension can
// form frame locations from it, so that the preview plays what the author will install.
std::string nameForCopy(const fs::path& folder) {
    std::string name = fs::absolute(folder).lexically_normal().filename().string();
    if (name.empty())
        name = fs::absolute(folder).lexically_normal().parent_path().filename().string();
    bool usable = !name.empty() && name != "." && name != "..";
    for (char character : name) {
        bool plain = (character >= 'a' && character <= 'z') ||
                     (character >= 'A' && character <= 'Z') ||
                     (character >= '0' && character <= '9') || character == '-' ||
                     character == '_' || character == '.';
        usable = usable && plain;
    }
    return usable ? name : "sequence";
}

// Copies the folder and, when the chosen root has one, its preference domain into the
// private root; a fault names what could not be copied.
sim::Result<void> fillPrivateRoot(const fs::path& privateRoot, const std::string& folder,
                                  const std::string& name, const std::string& preferenceRoot) {
    fs::path target = privateRoot / sequenceRoot / name;
    try {
        fs::create_directories(target.parent_path());
        fs::copy(folder, target, fs::copy_options::recursive);
    } catch (const fs::filesystem_error& failure) {
        std::string file = failure.path1().empty() ? folder : failure.path1().string();
        return sim::Fault(file, "cannot copy the sequence folder: " + failure.code().message());
    }
    if (preferenceRoot.empty())
        return {};
    fs::path preferences = sim::rootPreferenceFilePath(preferenceRoot, preferenceDomain);
    std::error_code error;
    if (!fs::exists(preferences, error))
        return {};
    fs::path copy = sim::rootPreferenceFilePath(privateRoot.string(), preferenceDomain);
    fs::create_directories(copy.parent_path(), error);
    if (error || !fs::copy_file(preferences, copy, error))
        return sim::Fault(preferences.string(),
                          "cannot copy the preference domain: " + error.message());
    return {};
}

} // namespace

PreviewSequence::PreviewSequence(std::string deviceRoot, std::string name, bool privateRoot)
    : m_deviceRoot(std::move(deviceRoot)), m_name(std::move(name)), m_privateRoot(privateRoot) {
}

PreviewSequence::~PreviewSequence() {
    if (m_privateRoot) {
        std::error_code error;
        fs::remove_all(m_deviceRoot, error);
    }
}

sim::Result<std::unique_ptr<PreviewSequence>>
PreviewSequence::choose(const std::string& argument, const std::string& givenRoot) {
    if (!looksLikeFolder(argument)) {
        auto root = chooseDeviceRoot(givenRoot);
        if (!root)
            return root.fault();
        fs::path named = fs::path(root.value()) / sequenceRoot / argument;
        if (isFolder(named))
            return std::unique_ptr<PreviewSequence>(
                new PreviewSequence(root.value(), argument, false));
        if (!isFolder(argument))
            return sim::Fault(named.string(), "no such sequence (expected a folder)");
    }
    if (!isFolder(argument))
        return sim::Fault(argument, "no such sequence folder");
    // The preference domain comes from the root asked for, or else from the bundled root
    // when there is one; without it the extension's defaults apply.
    std::string preferenceRoot;
    if (!givenRoot.empty()) {
        auto root = chooseDeviceRoot(givenRoot);
        if (!root)
            return root.fault();
        preferenceRoot = root.value();
    } else if (isFolder(bundledSampleRoot())) {
        preferenceRoot = bundledSampleRoot();
    }
    auto privateRoot = sim::makeTemporaryFolder("velorin-preview");
    if (!privateRoot)
        return privateRoot.fault();
    std::string name = nameForCopy(argument);
    // Owned from here, so that a failed copy leaves nothing behind.
    std::unique_ptr<PreviewSequence> sequence(new PreviewSequence(privateRoot.value(), name, true));
    auto filled = fillPrivateRoot(privateRoot.value(), argument, name, preferenceRoot);
    if (!filled)
        return filled.fault();
    return sequence;
}

} // namespace velorin::tools
