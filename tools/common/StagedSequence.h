// The sequence folder an import writes, which appears whole or not at all.
//
// Import and install write through it. Everything is written into a hidden staging folder
// beside the destination and moved into place by one rename at the end (common/WholeOutput.h).
// An existing sequence of the same name is refused, or, when replacing is asked for, swapped
// out in one exchange. Until the commit, removing the staging folder, and any parent folder
// made for it, undoes everything; the destructor does that when the import fails or is
// interrupted. A staging folder left by a command that was killed outright is removed by the
// next import or install into the same folder. A command with a further step after the commit
// (install choosing the sequence in the preferences) may keep the replaced sequence aside
// until that step is done, and put it back should the step fail.
#pragma once

#include "common/Result.h"
#include "common/WholeOutput.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velorin::tools {

enum class ExistingSequence { Refuse, Replace };
enum class ReplacedSequence { Remove, KeepUntilFinished };

class StagedSequence {
public:
    // `parent` receives the sequence folder `name`; missing parents are made. Refuses an
    // existing `name` unless replacing, and one that is not a folder in any case.
    static common::Result<std::unique_ptr<StagedSequence>>
    open(const std::string& parent, const std::string& name, ExistingSequence existing);
    // Finishes a commit that kept the replaced sequence, or else removes what was staged.
    ~StagedSequence();
    StagedSequence(const StagedSequence&) = delete;
    StagedSequence& operator=(const StagedSequence&) = delete;

    // Where a file of the sequence is written now.
    std::string stagedPath(const std::string& file) const;
    const std::string& destination() const { return m_destination; }

    // Moves the staged folder into place. A note is given when the replaced sequence could
    // not be removed afterwards. With KeepUntilFinished the replaced sequence stays aside
    // until finishCommit() or undoCommit(), or the destructor, which finishes.
    common::Result<std::optional<std::string>>
    commit(ReplacedSequence replaced = ReplacedSequence::Remove);
    // Removes the replaced sequence kept aside; a note when it cannot.
    std::optional<std::string> finishCommit();
    // Takes the committed sequence out again and puts back the one it replaced, if any.
    common::Result<void> undoCommit();

private:
    StagedSequence(std::string destination, ExistingSequence existing)
        : m_destination(std::move(destination)), m_existing(existing) {}
    std::string m_destination;
    ExistingSequence m_existing;
    // Declared first, so that they go after the staging folder in them.
    common::MadeFolders m_madeFolders;
    // Locked, so that another command's sweep of abandoned staging folders leaves it alone.
    // After a replacing commit the replaced sequence waits there, locked in its turn.
    common::StagingFolder m_staging;
    bool m_committed{false};
    bool m_replacedKept{false};
};

// Whether `name` can name a sequence folder; a fault naming it and why not. Sequence names are
// made of ASCII letters, digits, '-', '_' and '.', so that the device's frame locations need no
// escaping, and are neither hidden nor "." or "..".
common::Result<void> checkSequenceName(const std::string& name);

// A sequence name from a source path: its file name without the extension, with any other
// character replaced by '-'; "imported" when nothing is left.
std::string sequenceNameFromSource(const std::string& source);

} // namespace velorin::tools
