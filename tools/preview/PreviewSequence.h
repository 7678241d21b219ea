// The sequence a preview plays, named or given as a folder.
//
// A name is looked up under a device root, as the extension would find it. A folder of the
// author's own, anywhere on this machine, is copied into a private device root made for the
// preview, by the one copy rule for sequence folders (sim/PrivateCopy.h: the frames and the
// options file within the extension's limits, no link followed out of the folder), together
// with the chosen root's preference list, so that the author's folder is only ever read. The
// private root goes when the sequence does.
#pragma once

#include "common/Interruption.h"
#include "common/Result.h"
#include "common/TemporaryFolder.h"
#include "tools/common/SequenceArgument.h"

#include <memory>
#include <string>

namespace velorin::tools {

class PreviewSequence {
public:
    // `argument` is a folder or a sequence name by the tools' one rule (see
    // tools/common/SequenceArgument.h); empty, it is the sequence the root's preferences
    // choose. `givenRoot` may be empty for the user's own root, whose preferences a folder is
    // then previewed with. An input error names the folder that is missing or cannot be
    // copied.
    static common::Result<std::unique_ptr<PreviewSequence>>
    choose(const std::string& argument, const std::string& givenRoot,
           const common::InterruptionCheck& interrupted = {});
    ~PreviewSequence();
    PreviewSequence(const PreviewSequence&) = delete;
    PreviewSequence& operator=(const PreviewSequence&) = delete;

    // The device root the host reads, and the sequence name to choose in it.
    const std::string& deviceRoot() const { return m_deviceRoot; }
    const std::string& name() const { return m_name; }
    // The root whose preferences the preview plays with: the sequence's, or for a folder the
    // root asked for or the user's own.
    const std::string& preferenceRoot() const { return m_preferenceRoot; }
    // The sequence as the user gave it: their own folder, or the sequence in a root.
    const SequenceArgument& source() const { return m_source; }
    // Whether the host plays a private copy of the user's folder.
    bool isPrivateCopy() const { return !m_privateRoot.path().empty(); }

    // Copies the user's folder into the private root again, so that the next showing plays it
    // as it is now; a sequence in a root is read where it is and needs nothing. The former copy
    // is replaced only once the new one is whole: a fault names what could not be copied and
    // leaves the former copy playing.
    common::Result<void> refresh(const common::InterruptionCheck& interrupted = {});

private:
    PreviewSequence(std::string deviceRoot, std::string name, SequenceArgument source,
                    std::string preferenceRoot);
    std::string m_deviceRoot;
    std::string m_preferenceRoot;
    std::string m_name;
    SequenceArgument m_source;
    // A private root made for a folder given as the sequence; none when a root is previewed.
    common::TemporaryFolder m_privateRoot;
};

} // namespace velorin::tools
