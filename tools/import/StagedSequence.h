// The sequence folder an import writes, which appears whole or not at all.
//
// Everything is written into a hidden staging folder beside the destination and moved into
// place by one rename at the end. An existing sequence of the same name is refused, or, when
// replacing is asked for, swapped out in one atomic exchange (or, where the file system cannot
// exchange, renamed aside, replaced and then removed). Until the commit, removing the staging
// folder, and any parent folder made for it, undoes everything; the destructor does that
// when the import fails or is interrupted.
#pragma once

#include "sim/Result.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velorin::tools {

enum class ExistingSequence { Refuse, Replace };

class StagedSequence {
public:
    // `parent` receives the sequence folder `name`; missing parents are made. Refuses an
    // existing `name` unless replacing, and one that is not a folder in any case.
    static sim::Result<std::unique_ptr<StagedSequence>>
    open(const std::string& parent, const std::string& name, ExistingSequence existing);
    ~StagedSequence();
    StagedSequence(const StagedSequence&) = delete;
    StagedSequence& operator=(const StagedSequence&) = delete;

    // Where a file of the sequence is written now.
    std::string stagedPath(const std::string& file) const;
    const std::string& destination() const { return m_destination; }

    // Moves the staged folder into place. A note is given when the replaced sequence could
    // not be removed afterwards.
    sim::Result<std::optional<std::string>> commit();

private:
    StagedSequence(std::string destination, std::string staging, ExistingSequence existing);
    std::string m_destination;
    std::string m_staging;
    ExistingSequence m_existing;
    // Folders made for the destination, innermost first, to remove on failure.
    std::vector<std::string> m_madeFolders;
    bool m_committed{false};
};

// Why `name` cannot name a sequence folder, or none. Sequence names are made of ASCII letters,
// digits, '-', '_' and '.', so that the device's frame locations need no escaping, and are
// neither hidden nor "." or "..".
std::optional<std::string> sequenceNameProblem(std::string_view name);

// A sequence name from a source path: its file name without the extension, with any other
// character replaced by '-'; "imported" when nothing is left.
std::string sequenceNameFromSource(const std::string& source);

} // namespace velorin::tools
