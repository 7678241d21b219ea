#include "tools/preview/PreviewSequence.h"

#include "platform/PreferenceStore.h"
#include "platform/RootedPath.h"
#include "sequences/SequenceDirectory.h"
#include "settings/Settings.h"
#include "sim/PrivateCopy.h"
#include "sim/PrivatePreferenceDomain.h"
#include "sim/SystemError.h"
#include "sim/TemporaryFolder.h"
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

// Copies the user's folder by the copy rule into `copyPath` under the private root; a fault
// names what could not be copied.
sim::Result<void> copyFolder(const std::string& privateRoot, const std::string& folder,
                             const std::string& copyPath,
                             const sim::InterruptionCheck& interrupted) {
    // The folder is the root its entries are opened in, so no link leads out of it.
    platform::FileDescriptor source = platform::openRootFolder(folder);
    if (!source)
        return sim::Fault(folder, "cannot be opened: " + sim::describeSystemError(errno));
    platform::FileDescriptor target = platform::openRootFolder(privateRoot);
    if (!target)
        return sim::Fault(privateRoot, "cannot be opened: " + sim::describeSystemError(errno));
    sim::CopyAllowance allowance = sim::CopyAllowance::forFolder(privateRoot);
    auto copy =
        sim::makeFolders(target.get(), copyPath, (fs::path(privateRoot) / copyPath).string());
    if (!copy)
        return copy.fault();
    return sim::copySequenceFolder(source.get(), ".", folder, copy.value().get(), allowance,
                                   interrupted);
}

// Copies the folder and, when the chosen root has one, its preference list into the private
// root; a fault names what could not be copied.
sim::Result<void> fillPrivateRoot(const std::string& privateRoot, const std::string& folder,
                                  const std::string& name, const std::string& preferenceRoot,
                                  const sim::InterruptionCheck& interrupted) {
    if (auto copied =
            copyFolder(privateRoot, folder, std::string(sequenceRoot) + name, interrupted);
        !copied)
        return copied;
    if (preferenceRoot.empty())
        return {};
    platform::FileDescriptor preferences = platform::openRootFolder(preferenceRoot);
    if (!preferences)
        return sim::Fault(preferenceRoot, "cannot be opened: " + sim::describeSystemError(errno));
    platform::FileDescriptor target = platform::openRootFolder(privateRoot);
    if (!target)
        return sim::Fault(privateRoot, "cannot be opened: " + sim::describeSystemError(errno));
    sim::CopyAllowance allowance = sim::CopyAllowance::forFolder(privateRoot);
    fs::path list = sim::rootPreferenceFilePath(privateRoot, preferenceDomain);
    if (auto made = sim::makeFolders(target.get(), platform::preferencesFolder,
                                     list.parent_path().string());
        !made)
        return made.fault();
    return sim::copyPreferenceList(preferences.get(), preferenceDomain, preferenceRoot,
                                   list.string(), allowance);
}

} // namespace

PreviewSequence::PreviewSequence(std::string deviceRoot, std::string name, SequenceArgument source)
    : m_deviceRoot(std::move(deviceRoot)), m_name(std::move(name)), m_source(std::move(source)) {
}

PreviewSequence::~PreviewSequence() = default;

sim::Result<std::unique_ptr<PreviewSequence>>
PreviewSequence::choose(const std::string& argument, const std::string& givenRoot,
                        const sim::InterruptionCheck& interrupted) {
    auto resolved = argument.empty() ? resolveChosenSequence(givenRoot)
                                     : resolveSequenceArgument(argument, givenRoot);
    if (!resolved)
        return resolved.fault();
    if (resolved.value().kind == SequenceArgument::Kind::Name)
        return std::unique_ptr<PreviewSequence>(
            new PreviewSequence(resolved.value().root, resolved.value().name, resolved.value()));
    // A folder plays with the preferences of the root asked for, or of the user's own.
    auto root = chooseDeviceRoot(givenRoot);
    if (!root)
        return root.fault();
    const std::string& preferenceRoot = root.value();
    auto privateRoot = sim::TemporaryFolder::make("velorin-preview");
    if (!privateRoot)
        return privateRoot.fault();
    std::string name = nameForCopy(argument);
    // Owned from here, so that a failed copy leaves nothing behind.
    std::unique_ptr<PreviewSequence> sequence(
        new PreviewSequence(privateRoot.value().path(), name, resolved.value()));
    sequence->m_privateRoot = std::move(privateRoot).value();
    auto filled =
        fillPrivateRoot(sequence->deviceRoot(), argument, name, preferenceRoot, interrupted);
    if (!filled)
        return filled.fault();
    return sequence;
}

sim::Result<void> PreviewSequence::refresh(const sim::InterruptionCheck& interrupted) {
    if (!isPrivateCopy())
        return {};
    // The new copy is made beside the one that plays, under names that are no sequence's,
    // and the two are exchanged once it is whole.
    std::string folder = std::string(sequenceRoot) + m_name;
    std::string fresh = std::string(sequenceRoot) + ".refresh-" + m_name;
    std::string former = std::string(sequenceRoot) + ".former-" + m_name;
    fs::path privateRoot = m_privateRoot.path();
    std::error_code error;
    fs::remove_all(privateRoot / fresh, error);
    fs::remove_all(privateRoot / former, error);
    if (auto copied = copyFolder(privateRoot.string(), m_source.folder, fresh, interrupted);
        !copied) {
        fs::remove_all(privateRoot / fresh, error);
        return copied;
    }
    fs::rename(privateRoot / folder, privateRoot / former, error);
    if (!error)
        fs::rename(privateRoot / fresh, privateRoot / folder, error);
    if (error) {
        std::error_code ignored;
        if (!fs::exists(privateRoot / folder, ignored))
            fs::rename(privateRoot / former, privateRoot / folder, ignored);
        fs::remove_all(privateRoot / fresh, ignored);
        return sim::Fault((privateRoot / folder).string(),
                          "cannot be replaced with the new copy: " + error.message());
    }
    fs::remove_all(privateRoot / former, error);
    return {};
}

} // namespace velorin::tools
