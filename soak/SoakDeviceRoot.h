// The soak's own device root: a private copy of a device root in a temporary folder, and the
// edits the soak makes to its sequence folders while the host runs on it.
//
// The copy holds what the extension reads and nothing else (see PrivateCopy.h): the domain's
// preference list and every sequence folder, each by the one copy rule, read inside the root
// given so that no link reaches past it. It is made at the start and removed, with everything
// the soak wrote into it, when the object goes, so the root it came from is only ever read.
// Frames are added as small one-colour PNG files written with the display toolkit's encoder,
// under the name pattern of the folder's first frame; a frame is removed by picking among the
// folder's PNG files in name order. Edits that find nothing to act on (an empty folder, a
// missing sequence) do nothing, as a user's file manager would refuse them. Edits name their
// files through the descriptor of the copy's sequence folder, except the exchange of two
// folders, which goes through common/WholeOutput.h on the copy's own paths.
#pragma once

#include "common/Interruption.h"
#include "common/Result.h"
#include "common/TemporaryFolder.h"
#include "platform/RootedPath.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velorin::soak {

class SoakDeviceRoot {
public:
    // Copies the root; a fault naming the folder or file that cannot be copied, or that would
    // pass what a private copy may take.
    static common::Result<std::unique_ptr<SoakDeviceRoot>>
    copy(const std::string& sourceRoot, const common::InterruptionCheck& interrupted = {});
    ~SoakDeviceRoot();
    SoakDeviceRoot(const SoakDeviceRoot&) = delete;
    SoakDeviceRoot& operator=(const SoakDeviceRoot&) = delete;

    const std::string& path() const { return m_folder.path(); }
    // The sequence folders' names, in name order.
    std::vector<std::string> sequenceNames() const;

    // A frame is only added to a folder with fewer than this many, so that a month of
    // additions cannot make one showing decode without bound.
    static constexpr std::size_t maximumFrames = 80;

    // Each answers whether it changed anything.
    bool addFrame(const std::string& sequence, std::uint32_t number, std::uint32_t width,
                  std::uint32_t height, std::uint32_t colour);
    bool removeFrame(const std::string& sequence, std::uint32_t pick);
    bool swapFolders(const std::string& first, const std::string& second);

private:
    explicit SoakDeviceRoot(common::TemporaryFolder folder);
    // The names in a folder of the copy that pass `keep`, in name order.
    template <typename Keep>
    std::vector<std::string> namesIn(int folder, Keep keep) const;
    std::vector<std::string> framesIn(const std::string& sequence) const;
    bool isSequenceFolder(const std::string& sequence) const;

    common::TemporaryFolder m_folder;
    // The copy's folder of sequences.
    platform::FileDescriptor m_sequences;
};

} // namespace velorin::soak
