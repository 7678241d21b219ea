#include "tools/pack/SequencePack.h"

#include "common/SystemCalls.h"
#include "common/TemporaryFolder.h"
#include "platform/RootedPath.h"
#include "sequences/SequenceDirectory.h"
#include "sim/PrivateCopy.h"
#include "tools/check/SequenceCheck.h"
#include "tools/common/SequenceArgument.h"
#include "tools/common/StagedSequence.h"
#include "tools/install/SequenceInstall.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

struct NamedSequence {
    SequenceArgument argument;
    std::string name;
};

// How many of a sequence's errors a refusal quotes.
constexpr std::size_t quotedErrors = 3;

std::string joinedNames(const std::vector<NamedSequence>& sequences, const char* separator) {
    std::string text;
    for (const NamedSequence& sequence : sequences)
        text += (text.empty() ? "" : separator) + sequence.name;
    return text;
}

common::Result<std::vector<NamedSequence>> resolveSequences(const PackRequest& request) {
    if (request.sequences.empty())
        return common::Fault{"name a sequence to pack"};
    std::vector<NamedSequence> sequences;
    for (const std::string& given : request.sequences) {
        auto argument = TRY(resolveSequenceArgument(given, request.root));
        std::string name = argument.kind == SequenceArgument::Kind::Name
                               ? argument.name
                               : sequenceNameFromSource(argument.folder);
        TRY(checkSequenceName(name));
        if (std::any_of(sequences.begin(), sequences.end(),
                        [&](const NamedSequence& other) { return other.name == name; }))
            return common::Fault{given, "is a second sequence named " + name +
                                            "; a package holds each name once"};
        sequences.push_back({argument, name});
    }
    return sequences;
}

// Judges each sequence as check does, before anything is written.
common::Result<void> judge(const std::vector<NamedSequence>& sequences, CheckErrors errors,
                           std::vector<std::string>& notes) {
    for (const NamedSequence& sequence : sequences) {
        auto checked = TRY(checkSequence(sequence.argument,
                                         CheckRequest{std::nullopt, ResourceForkFiles::LeftOut}));
        const CheckReport& report = checked;
        if (report.frames.empty())
            return common::Fault{
                sequence.argument.folder,
                "holds no frame (no name ends in \".png\"); there is nothing to pack"};
        std::size_t count = report.count(Severity::Error);
        if (count == 0)
            continue;
        std::string quoted;
        std::size_t shown = 0;
        for (const CheckProblem& problem : report.problems) {
            if (problem.severity != Severity::Error || shown++ == quotedErrors)
                continue;
            quoted += (quoted.empty() ? "" : "; ") + fs::path(problem.file).filename().string() +
                      " " + problem.message;
        }
        std::string summary = std::to_string(count) + (count == 1 ? " error" : " errors") +
                              " (velorin-sim check " + sequence.argument.folder + "): " + quoted;
        if (errors == CheckErrors::Refuse)
            return common::Fault{sequence.argument.folder,
                                 "is not packed: check finds " + summary + " (--force packs it)"};
        notes.push_back(sequence.name + " packed with " + summary);
    }
    return {};
}

common::Result<PackageControl> completeControl(const PackRequest& request,
                                               const std::vector<NamedSequence>& sequences,
                                               std::vector<std::string>& notes) {
    PackageControl control = request.control;
    if (control.identifier.empty()) {
        control.identifier = defaultPackageIdentifier(sequences.front().name);
        notes.push_back("the package is " + control.identifier +
                        "; give it an identifier of your own with --id before publishing it");
    }
    if (control.name.empty())
        control.name = joinedNames(sequences, ", ");
    if (control.description.empty())
        control.description = "Charging animation for Velorin: " + joinedNames(sequences, ", ");
    if (control.author.empty()) {
        const char* name = std::getenv("DEBFULLNAME");
        const char* address = std::getenv("DEBEMAIL");
        if (name && *name && address && *address)
            control.author = std::string(name) + " <" + address + ">";
        else
            return common::Fault{"--author", "say who made the package, as in --author \"Ada "
                                             "Lovelace <ada@example.com>\" (or set DEBFULLNAME "
                                             "and DEBEMAIL)"};
    }
    TRY(checkPackageControl(control));
    return control;
}

// Whether the package may be written at `target`, before anything is: a file there is kept
// unless replacing is asked for, and something that is no regular file always.
common::Result<void> checkPackageTarget(const std::string& target, common::ExistingFile existing) {
    fs::path path(target);
    fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    std::error_code error;
    fs::file_status status = fs::symlink_status(path, error);
    if (fs::exists(status)) {
        if (!fs::is_regular_file(status))
            return common::Fault{target, "exists and is no regular file; it is never replaced"};
        if (existing == common::ExistingFile::Refuse)
            return common::Fault{target, "already exists (--replace replaces it)"};
    }
    if (!fs::is_directory(folder, error))
        return common::Fault{target, "cannot be written: its folder " + folder.string() +
                                         " does not exist"};
    return {};
}

// Moves the written package onto its name; something that took the name meanwhile is kept.
common::Result<void> commitPackage(common::WholeFile& output, common::ExistingFile existing) {
    auto committed = output.commit(existing);
    if (committed || committed.fault().systemError != EEXIST)
        return std::move(committed).withContext(output.target(), "cannot be written");
    if (existing == common::ExistingFile::Refuse)
        return common::Fault{output.target(), "appeared while the package was written; it is "
                                              "left as it is (--replace replaces it)"};
    return common::Fault{output.target(), "exists and is no regular file; it is never replaced"};
}

std::string outputPath(const std::string& out, const PackageControl& control) {
    std::error_code error;
    if (out.empty())
        return packageFileName(control);
    if (out.back() == '/' || fs::is_directory(out, error))
        return (fs::path(out) / packageFileName(control)).string();
    return out;
}

std::time_t packageDate() {
    // SOURCE_DATE_EPOCH, as Debian's tools take it, makes the same sequences give the same
    // package.
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        long long seconds = std::strtoll(epoch, &end, 10);
        if (end != epoch && *end == '\0' && seconds >= 0)
            return static_cast<std::time_t>(seconds);
    }
    return std::time(nullptr);
}

// Copies every sequence as install would into `folder`/NAME and lists them as the package
// lays them out.
common::Result<PackageContents> gatherContents(const std::vector<NamedSequence>& sequences,
                                               const std::string& folder,
                                               const common::InterruptionCheck& interrupted) {
    PackageContents contents;
    std::string sequencesPath = fs::path(sequenceRoot).lexically_normal().string();
    if (sequencesPath.back() == '/')
        sequencesPath.pop_back();
    std::string prefix;
    for (const auto& part : fs::path(sequencesPath)) {
        prefix += (prefix.empty() ? "" : "/") + part.string();
        contents.folders.push_back(prefix);
    }
    auto base =
        TRY(common::openFile(folder, O_PATH | O_DIRECTORY).withContext(folder, "cannot be opened"));
    auto allowance = common::CopyAllowance::forFolder(folder);
    for (const NamedSequence& sequence : sequences) {
        auto target =
            TRY(common::makeFolders(base.get(), sequence.name, folder + "/" + sequence.name));
        auto writable = TRY(common::openAt(target.get(), ".", O_RDONLY | O_DIRECTORY)
                                .withContext(folder, "cannot be opened"));
        TRY(copySequenceAsInstalled(sequence.argument, writable.get(), allowance, interrupted));
        contents.folders.push_back(sequencesPath + "/" + sequence.name);
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(fs::path(folder) / sequence.name))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            std::string hostPath = folder + "/" + sequence.name + "/" + name;
            contents.files.push_back({sequencesPath + "/" + sequence.name + "/" + name, hostPath,
                                      static_cast<std::uint64_t>(fs::file_size(hostPath))});
        }
    }
    return contents;
}

} // namespace

common::Result<PackOutcome> packSequences(const PackRequest& request,
                                          const common::InterruptionCheck& interrupted) {
    PackOutcome outcome;
    auto sequences = TRY(resolveSequences(request));
    auto control = TRY(completeControl(request, sequences, outcome.notes));
    TRY(judge(sequences, request.errors, outcome.notes));
    outcome.file = outputPath(request.out, control);
    TRY(checkPackageTarget(outcome.file, request.existing));
    auto output =
        TRY(common::WholeFile::make(outcome.file).withContext(outcome.file, "cannot be written"));
    auto copies = TRY(common::TemporaryFolder::make("velorin-pack-copy"));
    auto contents = TRY(gatherContents(sequences, copies.path(), interrupted));
    control.installedKibibytes = installedKibibytes(contents);
    PackageWriting writing{controlFileText(control), request.compression, packageDate()};
    TRY(writeDebianPackage(contents, writing, output.descriptor(), outcome.file, interrupted));
    TRY(common::stopIfInterrupted(interrupted));
    TRY(commitPackage(output, request.existing));
    outcome.control = control;
    for (const NamedSequence& sequence : sequences)
        outcome.sequenceNames.push_back(sequence.name);
    outcome.files = contents.files.size();
    for (const PackagedFile& file : contents.files)
        outcome.bytes += file.size;
    return outcome;
}

} // namespace velorin::tools
