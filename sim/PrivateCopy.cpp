#include "sim/PrivateCopy.h"

#include "animation/FrameLoading.h"
#include "common/SystemCalls.h"
#include "platform/PreferenceStore.h"
#include "sequences/FrameListing.h"
#include "sequences/SequenceOptions.h"

#include <fcntl.h>

namespace velorin::sim {

namespace {

std::string joined(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += name;
    return path;
}

} // namespace

bool isResourceForkName(std::string_view name) {
    return name.starts_with("._");
}

common::Result<void> copySequenceFolder(int root, std::string_view folderPath,
                                        const std::string& shownFolder, int destination,
                                        common::CopyAllowance& allowance,
                                        const common::InterruptionCheck& interrupted,
                                        ResourceForkCopy resourceForks) {
    platform::FileDescriptor folder =
        platform::openInRoot(root, folderPath, O_RDONLY | O_DIRECTORY);
    if (!folder)
        return common::contextualFault(common::systemFault(errno), shownFolder, "cannot be opened");
    auto names = TRY(common::listFolderNames(folder.get(), folderListingLimit, shownFolder));
    for (const std::string& name : names) {
        TRY(common::stopIfInterrupted(interrupted));
        bool frame = isFrameName(name);
        if (!frame && name != optionsFileName)
            continue;
        if (resourceForks == ResourceForkCopy::Drop && isResourceForkName(name))
            continue;
        auto source = common::openRegularFileInRoot(root, joined(folderPath, name));
        std::string shown = joined(shownFolder, name);
        if (frame)
            TRY(common::copyFileInto(std::move(source), frameFileByteLimit, destination, name,
                                     shown, allowance));
        else if (source && source->size <= optionsFileByteLimit)
            TRY(common::copyFileInto(std::move(source), optionsFileByteLimit, destination, name,
                                     shown, allowance));
    }
    return {};
}

common::Result<void> copyPreferenceList(int root, const std::string& domain,
                                        const std::string& shownRoot,
                                        const std::string& destinationFile,
                                        common::CopyAllowance& allowance) {
    std::string devicePath = platform::preferenceDevicePath(domain);
    auto source = common::openRegularFileInRoot(root, devicePath);
    if (!source || source->size > platform::preferenceListByteLimit)
        return {};
    return common::copyFileTo(std::move(*source), platform::preferenceListByteLimit,
                              destinationFile, joined(shownRoot, devicePath), allowance);
}

} // namespace velorin::sim
