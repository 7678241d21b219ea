#include "tools/install/PackageInstall.h"

#include "sequences/SequenceDirectory.h"
#include "settings/Settings.h"
#include "sim/SystemError.h"
#include "sim/TemporaryFolder.h"
#include "tools/common/SampleRoot.h"
#include "tools/package/SequencePackages.h"
#include "tools/prefs/PreferenceEditor.h"

#include <fcntl.h>
#include <filesystem>
#include <memory>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

struct StagedPackageSequence {
    std::string name;
    std::unique_ptr<StagedSequence> staged;
    CheckReport report;
    bool replaced{false};
    bool committed{false};
};

// Takes every committed sequence out again, the last first, and puts back what each replaced.
void undoCommits(std::vector<StagedPackageSequence>& sequences) {
    for (auto sequence = sequences.rbegin(); sequence != sequences.rend(); ++sequence) {
        if (sequence->committed && sequence->staged->undoCommit())
            sequence->committed = false;
    }
}

sim::Fault withUndoneNote(sim::Fault fault, const std::vector<StagedPackageSequence>& sequences) {
    if (sequences.size() > 1)
        fault.message += "; so none of the package's sequences was installed";
    return fault;
}

} // namespace

bool namesPackageFile(const std::string& argument) {
    std::error_code error;
    return argument.size() > 4 && argument.ends_with(".deb") &&
           !fs::is_directory(argument, error);
}

sim::Result<InstalledPackage> installPackage(const PackageInstallRequest& request,
                                             const sim::InterruptionCheck& interrupted) {
    auto root = chooseDeviceRoot(request.root);
    if (!root)
        return root.fault();
    if (request.choice == ChoiceAfterInstall::Choose) {
        if (auto readable = readPreferences(root.value()); !readable)
            return readable.fault();
    }
    auto unpacked = sim::TemporaryFolder::make("velorin-package");
    if (!unpacked)
        return unpacked.fault();
    auto read = readDebianPackage(request.package, unpacked.value().path(), interrupted);
    if (!read)
        return read.fault();
    InstalledPackage installed;
    installed.package = std::move(read.value());
    const PackageDescription& package = installed.package;
    if (request.choice == ChoiceAfterInstall::Choose && package.sequenceNames.size() > 1)
        return sim::Fault{request.package,
                          "holds " + std::to_string(package.sequenceNames.size()) +
                              " sequences; install it without --select and choose one with "
                              "velorin-sim prefs set " + sequenceNamePreferenceKey + " NAME"};

    std::string parent = (fs::path(root.value()) / sequenceRoot).lexically_normal().string();
    if (!parent.empty() && parent.back() == '/')
        parent.pop_back();
    std::vector<StagedPackageSequence> sequences;
    for (const std::string& name : package.sequenceNames) {
        SequenceArgument source{SequenceArgument::Kind::Folder,
                                unpacked.value().path() + "/" + name, name, ""};
        auto judged = judgeForInstall(source, request.order);
        if (!judged) {
            sim::Fault fault = judged.fault();
            fault.file = request.package + " (sequence " + name + ")";
            return withUndoneNote(fault, sequences);
        }
        auto staged = StagedSequence::open(parent, name, request.existing);
        if (!staged)
            return withUndoneNote(staged.fault(), sequences);
        platform::FileDescriptor target(
            ::open(staged.value()->stagedPath("").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!target)
            return sim::Fault{parent, "cannot be written: " + sim::describeSystemError(errno)};
        auto allowance = sim::CopyAllowance::forFolder(parent, sim::CopyDestination::DeviceRoot);
        if (auto copied = copySequenceAsInstalled(source, target.get(), allowance, interrupted);
            !copied)
            return copied.fault();
        std::error_code error;
        bool replaced = fs::exists(fs::symlink_status(staged.value()->destination(), error));
        sequences.push_back({name, std::move(staged.value()), std::move(judged.value()), replaced});
    }
    if (sim::isInterrupted(interrupted))
        return sim::interruptionFault();

    for (StagedPackageSequence& sequence : sequences) {
        auto committed = sequence.staged->commit(ReplacedSequence::KeepUntilFinished);
        if (!committed) {
            undoCommits(sequences);
            return withUndoneNote(committed.fault(), sequences);
        }
        sequence.committed = true;
    }
    std::map<std::string, PackageOrigin> origins;
    for (const StagedPackageSequence& sequence : sequences)
        origins[sequence.name] = {package.identifier, package.version,
                                  sequenceFingerprint(sequence.staged->destination())};
    auto recorded = recordSequencePackages(root.value(), origins);
    if (!recorded) {
        undoCommits(sequences);
        return withUndoneNote(recorded.fault(), sequences);
    }
    bool chosen = false;
    if (request.choice == ChoiceAfterInstall::Choose) {
        auto choice = sim::isInterrupted(interrupted)
                          ? sim::Result<std::vector<std::string>>(sim::interruptionFault())
                          : setPreferences(root.value(),
                                           {{sequenceNamePreferenceKey, sequences.front().name},
                                            {enabledPreferenceKey, "true"}});
        if (!choice) {
            undoCommits(sequences);
            (void)restoreSequencePackages(root.value(), recorded.value());
            sim::Fault fault = choice.fault();
            fault.message += "; so " + sequences.front().name + " was not installed";
            return fault;
        }
        chosen = true;
    }
    for (StagedPackageSequence& sequence : sequences) {
        InstalledSequence done{sequence.name, root.value(), sequence.staged->destination(),
                               std::move(sequence.report), 0, sequence.replaced, chosen,
                               sequence.staged->finishCommit()};
        installed.sequences.push_back(std::move(done));
    }
    return installed;
}

} // namespace velorin::tools
