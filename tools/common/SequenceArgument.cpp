#include "tools/common/SequenceArgument.h"

#include "common/QuoteText.h"
#include "common/RootedDestination.h"
#include "platform/RootedPath.h"
#include "sequences/FrameListing.h"
#include "sequences/SequenceDirectory.h"
#include "settings/Settings.h"
#include "tools/common/NaturalOrder.h"
#include "tools/common/PreferenceListReading.h"
#include "tools/common/SampleRoot.h"
#include "tools/common/TerminalColour.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

bool isFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

// The folder's own name: its last component, or the one before a trailing slash.
std::string ownName(const std::string& folder) {
    std::error_code error;
    fs::path path = fs::absolute(folder, error).lexically_normal();
    if (path.filename().empty())
        path = path.parent_path();
    return path.filename().string();
}

// The root a plain word would be looked up in, without making the user's root for it: the
// note about a hidden sequence is worth no new folder.
std::string rootToLookIn(const std::string& givenRoot) {
    if (!givenRoot.empty())
        return givenRoot;
    auto path = userDeviceRootPath();
    return path ? path.value() : std::string();
}

// Whether the root holds the sequence `name`, resolved inside the root as the device resolves
// it: a link whose target is absolute is read from the root, not from this machine's "/".
bool holdsSequence(const std::string& root, const std::string& name) {
    auto directory = sequenceDirectory(name);
    platform::FileDescriptor rootFolder = platform::openRootFolder(root);
    return directory && rootFolder &&
           platform::openInRoot(rootFolder.get(), *directory, O_PATH | O_DIRECTORY);
}

} // namespace

std::string sequencesFolderOfRoot(const std::string& root) {
    std::string folder = (fs::path(root) / sequenceRoot).lexically_normal().string();
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

common::Result<std::string> sequencesFolderForWriting(const std::string& root) {
    return common::folderDestinationInRoot(root, sequenceRoot, sequencesFolderOfRoot(root));
}

std::string sequenceFolderInRoot(const std::string& root, const std::string& name) {
    return (fs::path(sequencesFolderOfRoot(root)) / name).string();
}

common::Result<SequenceArgument> resolveSequenceArgument(const std::string& argument,
                                                         const std::string& givenRoot) {
    if (argument.empty())
        return common::Fault("no sequence given: name a sequence in the root or a folder");
    if (argument.find('/') != std::string::npos || isFolder(argument)) {
        std::error_code error;
        if (!isFolder(argument))
            return common::Fault(argument,
                                 fs::exists(argument, error)
                                     ? "is not a folder (a sequence is a folder of frames)"
                                     : "no such sequence folder");
        if (argument.find('/') == std::string::npos) {
            std::string root = rootToLookIn(givenRoot);
            if (!root.empty() && holdsSequence(root, argument))
                printNote("the folder " + common::quoteText(argument) +
                          " here is used; it hides the sequence " + common::quoteText(argument) +
                          " of the device root (give " + sequenceFolderInRoot(root, argument) +
                          " to use that one)");
        }
        return SequenceArgument{SequenceArgument::Kind::Folder, argument, ownName(argument), {}};
    }
    auto root = TRY(chooseDeviceRoot(givenRoot));
    std::string folder = sequenceFolderInRoot(root, argument);
    if (!holdsSequence(root, argument))
        return common::Fault(folder, "no such sequence (expected a folder)");
    return SequenceArgument{SequenceArgument::Kind::Name, folder, argument, root};
}

common::Result<SequenceArgument> resolveChosenSequence(const std::string& givenRoot) {
    auto root = chooseDeviceRoot(givenRoot);
    if (!root)
        return root.fault();
    std::string name = chosenSequence(root.value()).name;
    std::string folder = sequenceFolderInRoot(root.value(), name);
    if (!holdsSequence(root.value(), name))
        return common::Fault(folder, "no such sequence (expected a folder), though the root's " +
                                         std::string(sequenceNamePreferenceKey) + " chooses " +
                                         common::quoteText(name));
    return SequenceArgument{SequenceArgument::Kind::Name, folder, name, root.value()};
}

std::vector<std::string> sequenceNamesInRoot(const std::string& root) {
    std::vector<std::string> names;
    // Listed inside the root, as a settings pane on the device lists it, so that a sequences
    // folder reached through a link in the root lists what the extension would play.
    platform::FileDescriptor rootFolder = platform::openRootFolder(root);
    auto entries = rootFolder ? listSequenceFolder(rootFolder.get(), sequenceRoot) : std::nullopt;
    for (const std::string& name : entries.value_or(std::vector<std::string>{})) {
        // Hidden folders are the tools' own staging, never a sequence a user chose.
        if (!name.starts_with(".") && holdsSequence(root, name))
            names.push_back(name);
    }
    sortNaturally(names);
    return names;
}

ChosenSequence chosenSequence(const std::string& root) {
    Settings loaded = readRootSettings(root);
    ChosenSequence chosen{loaded.sequenceName, loaded.enabled, {}, false};
    chosen.folderName = sequenceFolderName(chosen.name).value_or("");
    chosen.exists = holdsSequence(root, chosen.name);
    return chosen;
}

} // namespace velorin::tools
