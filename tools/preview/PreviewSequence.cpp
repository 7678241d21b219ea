#include "tools/preview/PreviewSequence.h"

#include "common/SystemCalls.h"
#include "common/TemporaryFolder.h"
#include "common/WholeOutput.h"
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

// Copies the user's folder by the copy rule into `copyPath` under the private root; a fault
// names what could not be copied.
common::Result<void> copyFolder(const std::string& privateRoot, const std::string& folder,
                                const std::string& copyPath,
                                const common::InterruptionCheck& interrupted) {
    // The folder is the root its entries are opened in, so no link leads out of it.
    auto source = TRY(common::openRoot(folder).withContext(folder, "cannot be opened"));
    auto target = TRY(common::openRoot(privateRoot).withContext(privateRoot, "cannot be opened"));
    common::CopyAllowance allowance = common::CopyAllowance::forFolder(privateRoot);
    auto copy = TRY(
        common::makeFolders(target.get(), copyPath, (fs::path(privateRoot) / copyPath).string()));
    return sim::copySequenceFolder(source.get(), ".", folder, copy.get(), allowance, interrupted);
}

// Copies the folder and, when the chosen root has one, its preference list into the private
// root; a fault names what could not be copied.
common::Result<void> fillPrivateRoot(const std::string& privateRoot, const std::string& folder,
                                     const std::string& name, const std::string& preferenceRoot,
                                     const common::InterruptionCheck& interrupted) {
    TRY(copyFolder(privateRoot, folder, std::string(sequenceRoot) + name, interrupted));
    if (preferenceRoot.empty())
        return {};
    auto preferences =
        TRY(common::openRoot(preferenceRoot).withContext(preferenceRoot, "cannot be opened"));
    auto target = TRY(common::openRoot(privateRoot).withContext(privateRoot, "cannot be opened"));
    common::CopyAllowance allowance = common::CopyAllowance::forFolder(privateRoot);
    fs::path list = sim::rootPreferenceFilePath(privateRoot, preferenceDomain);
    TRY(common::makeFolders(target.get(), platform::preferencesFolder,
                            list.parent_path().string()));
    return sim::copyPreferenceList(preferences.get(), preferenceDomain, preferenceRoot,
                                   list.string(), allowance);
}

} // namespace

PreviewSequence::PreviewSequence(std::string deviceRoot, std::string name, SequenceArgument source,
                                 std::string preferenceRoot)
    : m_deviceRoot(std::move(deviceRoot)), m_preferenceRoot(std::move(preferenceRoot)),
      m_name(std::move(name)), m_source(std::move(source)) {}

PreviewSequence::~PreviewSequence() = default;

common::Result<std::unique_ptr<PreviewSequence>>
PreviewSequence::choose(const std::string& argument, const std::string& givenRoot,
                        const common::InterruptionCheck& interrupted) {
    auto resolved = TRY(argument.empty() ? resolveChosenSequence(givenRoot)
                                         : resolveSequenceArgument(argument, givenRoot));
    if (resolved.kind == SequenceArgument::Kind::Name)
        return std::unique_ptr<PreviewSequence>(
            new PreviewSequence(resolved.root, resolved.name, resolved, resolved.root));
    // A folder plays with the preferences of the root asked for, or of the user's own.
    auto root = TRY(chooseDeviceRoot(givenRoot));
    const std::string& preferenceRoot = root;
    auto privateRoot = TRY(common::TemporaryFolder::make("velorin-preview"));
    std::string name = nameForCopy(argument);
    // Owned from here, so that a failed copy leaves nothing behind.
    std::unique_ptr<PreviewSequence> sequence(
        new PreviewSequence(privateRoot.path(), name, resolved, root));
    sequence->m_privateRoot = std::move(privateRoot);
    TRY(fillPrivateRoot(sequence->deviceRoot(), argument, name, preferenceRoot, interrupted));
    return sequence;
}

common::Result<void> PreviewSequence::refresh(const common::InterruptionCheck& interrupted) {
    if (!isPrivateCopy())
        return {};
    // The new copy is made beside the one that plays, under a name that is no sequence's, and
    // the two are exchanged once it is whole; the former copy then goes under that name.
    fs::path privateRoot = m_privateRoot.path();
    std::string folder = (privateRoot / (std::string(sequenceRoot) + m_name)).string();
    std::string fresh = std::string(sequenceRoot) + ".refresh-" + m_name;
    std::error_code error;
    fs::remove_all(privateRoot / fresh, error);
    auto replaced = [&]() -> common::Result<void> {
        TRY(copyFolder(privateRoot.string(), m_source.folder, fresh, interrupted));
        return common::exchangeFolders((privateRoot / fresh).string(), folder)
            .withContext(folder, "cannot be replaced with the new copy");
    }();
    fs::remove_all(privateRoot / fresh, error);
    return replaced;
}

} // namespace velorin::tools
