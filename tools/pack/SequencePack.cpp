#include "tools/pack/SequencePack.h"

#include "platform/RootedPath.h"
#include "sequences/SequenceDirectory.h"
#include "sim/PrivateCopy.h"
#include "sim/SystemError.h"
#include "sim/TemporaryFolder.h"
#include "tools/check/SequenceCheck.h"
#include "tools/common/SequenceArgument.h"
#include "tools/import/StagedSequence.h"
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

sim::Result<std::vector<NamedSequence>> resolveSequences(const PackRequest& request) {
    if (request.sequences.empty())
        return sim::Fault{"name a sequence to pack"};
    std::vector<NamedSequence> sequences;
    for (const std::string& given : request.sequences) {
        auto argument = resolveSequenceArgument(given, request.root);
        if (!argument)
            return argument.fault();
        std::string name = argument.value().kind == SequenceArgument::Kind::Name
                               ? argument.value().name
                               : sequenceNameFromSource(argument.value().folder);
        if (auto problem = sequenceNameProblem(name))
            return sim::Fault{name, *problem};
        if (std::any_of(sequences.begin(), sequences.end(),
                        [&](const NamedSequence& other) { return other.name == name; }))
            return sim::Fault{given, "is a second sequence named " + name +
                                         "; a package holds each name once"};
        sequences.push_back({argument.value(), name});
    }
    return sequences;
}

// Judges each sequence as check does, before anything is written.
sim::Result<void> judge(const std::vector<NamedSequence>& sequences, CheckErrors errors,
                        std::vector<std::string>& notes) {
    for (const NamedSequence& sequence : sequences) {
        auto checked = checkSequence(sequence.argument,
                                     CheckRequest{std::nullopt, ResourceForkFiles::LeftOut});
        if (!checked)
            return checked.fault();
        const CheckReport& report = checked.value();
        if (report.frames.empty())
            return sim::Fault{sequence.argument.folder,
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
            return sim::Fault{sequence.argument.folder,
                              "is not packed: check finds " + summary + " (--force packs it)"};
        notes.push_back(sequence.name + " packed with " + summary);
    }
    return {};
}

sim::Result<PackageControl> completeControl(const PackRequest& request,
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
            return sim::Fault{"--author", "say who made the package, as in --author \"Ada "
                                          "Lovelace <ada@example.com>\" (or set DEBFULLNAME "
                                          "and DEBEMAIL)"};
    }
    if (auto checked = checkPackageControl(control); !checked)
        return checked.fault();
    return control;
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
sim::Result<PackageContents> gatherContents(const std::vector<NamedSequence>& sequences,
                                            const std::string& folder,
                                            const sim::InterruptionCheck& interrupted) {
    PackageContents contents;
    std::string sequencesPath = fs::path(sequenceRoot).lexically_normal().string();
    if (sequencesPath.back() == '/')
        sequencesPath.pop_back();
    std::string prefix;
    for (const auto& part : fs::path(sequencesPath)) {
        prefix += (prefix.empty() ? "" : "/") + part.string();
        contents.folders.push_back(prefix);
    }
    platform::FileDescriptor base(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!base)
        return sim::Fault{folder, "cannot be opened: " + sim::describeSystemError(errno)};
    auto allowance = sim::CopyAllowance::forFolder(folder);
    for (const NamedSequence& sequence : sequences) {
        auto target = sim::makeFolders(base.get(), sequence.name, folder + "/" + sequence.name);
        if (!target)
            return target.fault();
        platform::FileDescriptor writable(::openat(target.value().get(), ".",
                                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!writable)
            return sim::Fault{folder, "cannot be opened: " + sim::describeSystemError(errno)};
        if (auto copied = copySequenceAsInstalled(sequence.argument, writable.get(), allowance,
                                                  interrupted);
            !copied)
            return copied.fault();
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

sim::Result<PackOutcome> packSequences(const PackRequest& request,
                                       const sim::InterruptionCheck& interrupted) {
    PackOutcome outcome;
    auto sequences = resolveSequences(request);
    if (!sequences)
        return sequences.fault();
    auto control = completeControl(request, sequences.value(), outcome.notes);
    if (!control)
        return control.fault();
    if (auto judged = judge(sequences.value(), request.errors, outcome.notes); !judged)
        return judged.fault();
    outcome.file = outputPath(request.out, control.value());
    auto output = WholeFileOutput::open(outcome.file, request.existing);
    if (!output)
        return output.fault();
    auto copies = sim::TemporaryFolder::make("velorin-pack-copy");
    if (!copies)
        return copies.fault();
    auto contents = gatherContents(sequences.value(), copies.value().path(), interrupted);
    if (!contents)
        return contents.fault();
    control.value().installedKibibytes = installedKibibytes(contents.value());
    PackageWriting writing{controlFileText(control.value()), request.compression, packageDate()};
    if (auto written = writeDebianPackage(contents.value(), writing, output.value()->descriptor(),
                                          outcome.file, interrupted);
        !written)
        return written.fault();
    if (sim::isInterrupted(interrupted))
        return sim::interruptionFault();
    if (auto committed = output.value()->commit(); !committed)
        return committed.fault();
    outcome.control = control.value();
    for (const NamedSequence& sequence : sequences.value())
        outcome.sequenceNames.push_back(sequence.name);
    outcome.files = contents.value().files.size();
    for (const PackagedFile& file : contents.value().files)
        outcome.bytes += file.size;
    return outcome;
}

} // namespace velorin::tools
