#include "tools/common/StagedSequence.h"

#include "common/SystemCalls.h"

#include <cerrno>
#include <filesystem>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

// The end of a staging folder's stem: ".NAME.importing-XXXXXX".
constexpr std::string_view stagingStemEnd = ".importing";

bool isNameCharacter(char character) {
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
           (character >= '0' && character <= '9') || character == '-' || character == '_' ||
           character == '.';
}

common::Result<void> checkExisting(const std::string& destination, ExistingSequence existing) {
    std::error_code error;
    fs::file_status status = fs::symlink_status(destination, error);
    if (!fs::exists(status))
        return {};
    if (!fs::is_directory(status))
        return common::Fault{destination, "exists and is not a sequence folder; it is left alone"};
    if (existing == ExistingSequence::Refuse)
        return common::Fault{destination, "already exists (--replace replaces it)"};
    return {};
}

} // namespace

common::Result<std::unique_ptr<StagedSequence>> StagedSequence::open(const std::string& parent,
                                                                     const std::string& name,
                                                                     ExistingSequence existing) {
    TRY(checkSequenceName(name));
    std::string destination = (fs::path(parent) / name).string();
    TRY(checkExisting(destination, existing));
    std::unique_ptr<StagedSequence> staged(new StagedSequence(destination, existing));
    staged->m_madeFolders = TRY(common::MadeFolders::make(parent).withContext(
        parent, "cannot make the folder the sequence goes into"));
    common::removeAbandonedStagingFolders(parent, stagingStemEnd);
    staged->m_staging = TRY(common::StagingFolder::make(parent, name + std::string(stagingStemEnd))
                                .withContext(parent, "cannot write here"));
    return staged;
}

StagedSequence::~StagedSequence() {
    if (m_committed)
        finishCommit();
}

std::string StagedSequence::stagedPath(const std::string& file) const {
    return m_staging.pathOf(file);
}

common::Result<std::optional<std::string>> StagedSequence::commit(ReplacedSequence replaced) {
    // Checked again: the destination may have appeared while the frames were written.
    TRY(checkExisting(m_destination, m_existing));
    m_staging.givePlainPermissions();
    auto moved = common::moveIntoPlace(m_staging.path(), m_destination);
    if (moved) {
        m_staging.moved();
        m_madeFolders.keep();
        m_committed = true;
        return std::optional<std::string>();
    }
    int cause = moved.fault().systemError;
    if (cause != EEXIST && cause != ENOTEMPTY)
        return std::move(moved).withContext(m_destination, "cannot move into place").fault();
    if (m_existing == ExistingSequence::Refuse)
        return common::Fault{m_destination, "already exists (--replace replaces it)"};
    TRY(checkExisting(m_destination, m_existing));
    // The replaced sequence will wait at the staging path, where a sweep by another command
    // would take it for abandoned; it is locked before it moves there.
    auto replacedLock = TRY(common::ExclusiveLock::onFolder(m_destination, common::LockWait::Wait)
                                .withContext(m_destination, "cannot be replaced"));
    // The new sequence goes in place, and the old one where the staging was.
    TRY(common::exchangeFolders(m_staging.path(), m_destination)
            .withContext(m_destination, "cannot be replaced"));
    m_staging.holdInstead(std::move(replacedLock));
    m_madeFolders.keep();
    m_committed = true;
    m_replacedKept = true;
    if (replaced == ReplacedSequence::KeepUntilFinished)
        return std::optional<std::string>();
    return finishCommit();
}

std::optional<std::string> StagedSequence::finishCommit() {
    if (!m_committed || !m_replacedKept)
        return std::nullopt;
    m_replacedKept = false;
    std::string aside = m_staging.path();
    if (!m_staging.removeNow())
        return "the replaced sequence could not be removed; it is left in " + aside;
    return std::nullopt;
}

common::Result<void> StagedSequence::undoCommit() {
    if (!m_committed)
        return {};
    if (m_replacedKept) {
        // The same exchange again puts the old sequence back and the new one aside.
        if (auto swapped = common::exchangeFolders(m_staging.path(), m_destination); !swapped)
            return common::Fault{m_destination, "cannot be put back (" + swapped.fault().message +
                                                    "); the replaced sequence is left in " +
                                                    m_staging.path()};
        m_replacedKept = false;
    } else {
        // Moved out of sight first, so that nobody sees it half removed: into a new hidden
        // folder beside it, which the rename replaces since it is empty.
        fs::path destination(m_destination);
        m_staging = TRY(common::StagingFolder::make(destination.parent_path(),
                                                    destination.filename().string() + ".undone")
                            .withContext(m_destination, "cannot be taken out again"));
        TRY(common::renamePath(m_destination, m_staging.path(), common::RenameMode::Replace)
                .withContext(m_destination, "cannot be taken out again"));
    }
    m_committed = false;
    (void)m_staging.removeNow();
    return {};
}

common::Result<void> checkSequenceName(const std::string& name) {
    if (name.empty())
        return common::Fault(name, "is no sequence name (it is empty)");
    if (name == "." || name == ".." || name.front() == '.')
        return common::Fault(name, "is no sequence name (it would be hidden or a path)");
    for (char character : name) {
        if (!isNameCharacter(character))
            return common::Fault(name, "is no sequence name: use ASCII letters, digits, '-', '_' "
                                       "and '.' only");
    }
    return {};
}

std::string sequenceNameFromSource(const std::string& source) {
    std::error_code error;
    fs::path path = fs::absolute(source, error).lexically_normal();
    if (path.filename().empty())
        path = path.parent_path();
    std::string stem =
        fs::is_directory(source, error) ? path.filename().string() : path.stem().string();
    std::string name;
    for (char character : stem) {
        char kept = isNameCharacter(character) ? character : '-';
        if (kept == '-' && !name.empty() && name.back() == '-')
            continue;
        name += kept;
    }
    while (!name.empty() && (name.front() == '.' || name.front() == '-'))
        name.erase(name.begin());
    while (!name.empty() && name.back() == '-')
        name.pop_back();
    return name.empty() ? "imported" : name;
}

} // namespace velorin::tools
