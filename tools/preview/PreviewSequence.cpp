#include "tools/preview/PreviewSequence.h"

#include "common/SystemError.h"
#include "common/TemporaryFolder.h"
#include "platform/PreferenceStore.h"
#include "platform/RootedPath.h"
#include "sequences/SequenceDirectory.h"
#include "settings/Settings.h"
#include "sim/PrivateCopy.h"
#include "sim/PrivatePreferenceDomain.h"
#include "tools/common/SampleRoot.h"
#include "tools/common/SequenceArgument.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

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

// Copies the folder by the copy rule and, when the chosen root has one, its preference list
// into the private root; a fault names what could not be copied.
common::Result<void> fillPrivateRoot(const std::string& privateRoot, const std::string& folder,
                                     const std::string& name, const std::string& preferenceRoot,
                                     const common::InterruptionCheck& interrupted) {
    // The folder is the root its entries are opened in, so no link leads out of it.
    platform::FileDescriptor source = platform::openRootFolder(folder);
    if (!source)
        return common::Fault(folder, "cannot be opened: " + common::describeSystemError(errno));
    platform::FileDescriptor target = platform::openRootFolder(privateRoot);
    if (!target)
        return common::Fault(privateRoot,
                             "cannot be opened: " + common::describeSystemError(errno));
    sim::CopyAllowance allowance = sim::CopyAllowance::forFolder(privateRoot);
    std::string copyPath = std::string(sequenceRoot) + name;
    auto copy =
        sim::makeFolders(target.get(), copyPath, (fs::path(privateRoot) / copyPath).string());
    if (!copy)
        return copy.fault();
    if (auto copied = sim::copySequenceFolder(source.get(), ".", folder, copy.value().get(),
                                              allowance, interrupted);
        !copied)
        return copied;
    if (preferenceRoot.empty())
        return {};
    platform::FileDescriptor preferences = platform::openRootFolder(preferenceRoot);
    if (!preferences)
        return common::Fault(preferenceRoot,
                             "cannot be opened: " + common::describeSystemError(errno));
    fs::path list = sim::rootPreferenceFilePath(privateRoot, preferenceDomain);
    if (auto made = sim::makeFolders(target.get(), platform::preferencesFolder,
                                     list.parent_path().string());
        !made)
        return made.fault();
    return sim::copyPreferenceList(preferences.get(), preferenceDomain, preferenceRoot,
                                   list.string(), allowance);
}

} // namespace

PreviewSequence::PreviewSequence(std::string deviceRoot, std::string name)
    : m_deviceRoot(std::move(deviceRoot)), m_name(std::move(name)) {
}

PreviewSequence::~PreviewSequence() = default;

common::Result<std::unique_ptr<PreviewSequence>>
PreviewSequence::choose(const std::string& argument, const std::string& givenRoot,
                        const common::InterruptionCheck& interrupted) {
    auto resolved = argument.empty() ? resolveChosenSequence(givenRoot)
                                     : resolveSequenceArgument(argument, givenRoot);
    if (!resolved)
        return resolved.fault();
    if (resolved.value().kind == SequenceArgument::Kind::Name)
        return std::unique_ptr<PreviewSequence>(
            new PreviewSequence(resolved.value().root, resolved.value().name));
    // A folder plays with the preferences of the root asked for, or of the user's own.
    auto root = chooseDeviceRoot(givenRoot);
    if (!root)
        return root.fault();
    const std::string& preferenceRoot = root.value();
    auto privateRoot = common::TemporaryFolder::make("velorin-preview");
    if (!privateRoot)
        return privateRoot.fault();
    std::string name = nameForCopy(argument);
    // Owned from here, so that a failed copy leaves nothing behind.
    std::unique_ptr<PreviewSequence> sequence(
        new PreviewSequence(privateRoot.value().path(), name));
    sequence->m_privateRoot = std::move(privateRoot).value();
    auto filled =
        fillPrivateRoot(sequence->deviceRoot(), argument, name, preferenceRoot, interrupted);
    if (!filled)
        return filled.fault();
    return sequence;
}

} // namespace velorin::tools
