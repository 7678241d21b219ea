#include "tools/install/PackageInstall.h"

#include "common/TemporaryFolder.h"
#include "settings/Settings.h"
#include "tools/common/SampleRoot.h"
#include "tools/common/SequenceArgument.h"
#include "tools/package/SequencePackages.h"
#include "tools/prefs/PreferenceEditor.h"

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

common::Fault withUndoneNote(common::Fault fault,
                             const std::vector<StagedPackageSequence>& sequences) {
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

common::Result<InstalledPackage> installPackage(const PackageInstallRequest& request,
                                                const common::InterruptionCheck& interrupted) {
    auto root = TRY(chooseDeviceRoot(request.root, RootAccess::Write));
    // Where the sequences go is settled before anything is unpacked.
    std::string parent = TRY(sequencesFolderForWriting(root));
    if (request.choice == ChoiceAfterInstall::Choose) {
        TRY(readPreferences(root));
    }
    auto unpacked = TRY(common::TemporaryFolder::make("velorin-package"));
    auto read = TRY(readDebianPackage(request.package, unpacked.path(), interrupted));
    InstalledPackage installed;
    installed.package = std::move(read);
    const PackageDescription& package = installed.package;
    if (request.choice == ChoiceAfterInstall::Choose && package.sequenceNames.size() > 1)
        return common::Fault{request.package,
                             "holds " + std::to_string(package.sequenceNames.size()) +
                                 " sequences; install it without --select and choose one with "
                                 "velorin-sim prefs set " +
                                 sequenceNamePreferenceKey + " NAME"};

    std::vector<StagedPackageSequence> sequences;
    for (const std::string& name : package.sequenceNames) {
        SequenceArgument source{SequenceArgument::Kind::Folder, unpacked.path() + "/" + name, name,
                                ""};
        auto judged = judgeForInstall(source, request.order);
        if (!judged) {
            common::Fault fault = judged.fault();
            fault.file = request.package + " (sequence " + name + ")";
            return withUndoneNote(fault, sequences);
        }
        auto staged = StagedSequence::open(parent, name, request.existing);
        if (!staged)
            return withUndoneNote(staged.fault(), sequences);
        TRY(copyIntoStagedSequence(source, *staged.value(), parent, interrupted));
        std::error_code error;
        bool replaced = fs::exists(fs::symlink_status(staged.value()->destination(), error));
        sequences.push_back({name, std::move(staged.value()), std::move(judged.value()), replaced});
    }
    TRY(common::stopIfInterrupted(interrupted));

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
    auto recorded = recordSequencePackages(root, origins);
    if (!recorded) {
        undoCommits(sequences);
        return withUndoneNote(recorded.fault(), sequences);
    }
    bool chosen = false;
    if (request.choice == ChoiceAfterInstall::Choose) {
        auto choice =
            common::isInterrupted(interrupted)
                ? common::Result<std::vector<std::string>>(common::interruptionFault())
                : setPreferences(root, {{sequenceNamePreferenceKey, sequences.front().name},
                                        {enabledPreferenceKey, "true"}});
        if (!choice) {
            undoCommits(sequences);
            (void)restoreSequencePackages(root, recorded.value());
            common::Fault fault = choice.fault();
            fault.message += "; so " + sequences.front().name + " was not installed";
            return fault;
        }
        chosen = true;
    }
    for (StagedPackageSequence& sequence : sequences) {
        InstalledSequence done{sequence.name,
                               root,
                               sequence.staged->destination(),
                               std::move(sequence.report),
                               0,
                               sequence.replaced,
                               chosen,
                               sequence.staged->finishCommit()};
        installed.sequences.push_back(std::move(done));
    }
    return installed;
}

} // namespace velorin::tools
