#include "tools/install/SequenceInstall.h"

#include "platform/RootedPath.h"
#include "sequences/SequenceDirectory.h"
#include "settings/Settings.h"
#include "sim/PrivateCopy.h"
#include "sim/QuoteText.h"
#include "sim/SystemError.h"
#include "tools/check/SequenceCheck.h"
#include "tools/common/SampleRoot.h"
#include "tools/common/SequenceArgument.h"
#include "tools/prefs/PreferenceEditor.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

bool sameFolder(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(a, b, error);
}

// The resource-fork files that the copy rule would otherwise take for frames.
std::size_t countResourceForkFrames(const std::string& folder) {
    std::size_t count = 0;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        std::string name = entry->path().filename().string();
        if (sim::isResourceForkName(name) && name.ends_with(".png"))
            ++count;
    }
    return count;
}

// Copies the source by the copy rule, without resource-fork files, into the staged folder.
sim::Result<void> copyInto(const SequenceArgument& source, const StagedSequence& staged,
                           const std::string& parent, const sim::InterruptionCheck& interrupted) {
    platform::FileDescriptor target(
        ::open(staged.stagedPath("").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!target)
        return sim::Fault(parent, "cannot be written: " + sim::describeSystemError(errno));
    auto allowance = sim::CopyAllowance::forFolder(parent, sim::CopyDestination::DeviceRoot);
    return copySequenceAsInstalled(source, target.get(), allowance, interrupted);
}

} // namespace

sim::Result<CheckReport> judgeForInstall(const SequenceArgument& source, OrderCheck order) {
    auto checked = checkSequence(source, CheckRequest{std::nullopt, ResourceForkFiles::LeftOut});
    if (!checked)
        return checked.fault();
    const CheckReport& report = checked.value();
    if (report.frames.empty())
        return sim::Fault(source.folder, "holds no frame (no name ends in \".png\"); there is "
                                         "nothing to install");
    if (order == OrderCheck::Force || report.count(Severity::Error) == 0)
        return checked;
    std::string reasons;
    for (const auto& problem : report.problems) {
        if (problem.kind == ProblemKind::OrderDiffers)
            reasons += (reasons.empty() ? "" : "; and ") + problem.message;
    }
    if (reasons.empty())
        return checked;
    return sim::Fault(source.folder, "is not installed: its frames would play in another order "
                                     "than the natural order of their names: " +
                                         reasons + " (--force installs it as it is)");
}

sim::Result<void> copySequenceAsInstalled(const SequenceArgument& source, int target,
                                          sim::CopyAllowance& allowance,
                                          const sim::InterruptionCheck& interrupted) {
    // A folder of the author's own is the root its entries are opened in, so no link leads
    // out of it; a sequence of a root is read inside that root, as the device reads it.
    bool inRoot = source.kind == SequenceArgument::Kind::Name;
    platform::FileDescriptor sourceRoot =
        platform::openRootFolder(inRoot ? source.root : source.folder);
    if (!sourceRoot)
        return sim::Fault(source.folder, "cannot be opened: " + sim::describeSystemError(errno));
    std::string folderPath = inRoot ? sequenceDirectory(source.name).value_or(".") : ".";
    return sim::copySequenceFolder(sourceRoot.get(), folderPath, source.folder, target, allowance,
                                   interrupted, sim::ResourceForkCopy::Drop);
}

sim::Result<InstalledSequence> installSequence(const InstallRequest& request,
                                               const sim::InterruptionCheck& interrupted) {
    auto source = resolveSequenceArgument(request.source, request.root);
    if (!source)
        return source.fault();
    auto root = chooseDeviceRoot(request.root, RootAccess::Write);
    if (!root)
        return root.fault();
    std::string name = request.name;
    if (name.empty())
        name = source.value().kind == SequenceArgument::Kind::Name
                   ? source.value().name
                   : sequenceNameFromSource(source.value().folder);
    if (auto problem = sequenceNameProblem(name))
        return sim::Fault(name, *problem);
    std::string parent = (fs::path(root.value()) / sequenceRoot).lexically_normal().string();
    if (!parent.empty() && parent.back() == '/')
        parent.pop_back();
    std::string destination = sequenceFolderInRoot(root.value(), name);
    if (sameFolder(source.value().folder, destination))
        return sim::Fault(destination, "is the folder to install; give --as another name");
    // A preference list that the choice could not be written to is found before anything.
    if (request.choice == ChoiceAfterInstall::Choose) {
        if (auto readable = readPreferences(root.value()); !readable)
            return readable.fault();
    }
    auto judged = judgeForInstall(source.value(), request.order);
    if (!judged)
        return judged.fault();

    auto staged = StagedSequence::open(parent, name, request.existing);
    if (!staged)
        return staged.fault();
    if (auto copied = copyInto(source.value(), *staged.value(), parent, interrupted); !copied)
        return copied.fault();
    if (sim::isInterrupted(interrupted))
        return sim::interruptionFault();
    std::error_code error;
    bool replaced = fs::exists(fs::symlink_status(destination, error));
    auto committed = staged.value()->commit(ReplacedSequence::KeepUntilFinished);
    if (!committed)
        return committed.fault();

    InstalledSequence installed{name,
                                root.value(),
                                destination,
                                std::move(judged.value()),
                                countResourceForkFrames(source.value().folder),
                                replaced,
                                false,
                                std::nullopt};
    if (request.choice == ChoiceAfterInstall::Choose) {
        // The sequence is taken out again (and a replaced one put back) when it cannot be
        // chosen, so that the install is whole or nothing.
        // Nothing the choice could warn of applies: the sequence is there and the extension on.
        sim::Result<std::vector<std::string>> chosen =
            sim::isInterrupted(interrupted)
                ? sim::Result<std::vector<std::string>>(sim::interruptionFault())
                : setPreferences(root.value(), {{sequenceNamePreferenceKey, name},
                                                {enabledPreferenceKey, "true"}});
        if (!chosen) {
            if (auto undone = staged.value()->undoCommit(); !undone)
                return sim::Fault(undone.fault().file.value_or(destination),
                                  undone.fault().message +
                                      " after the choice failed: " + chosen.fault().text());
            sim::Fault fault = chosen.fault();
            fault.message += installed.replaced ? "; so " + name +
                                                      " was not installed, and the sequence it "
                                                      "replaced is back"
                                                : "; so " + name + " was not installed";
            return fault;
        }
        installed.chosen = true;
    }
    installed.note = staged.value()->finishCommit();
    return installed;
}

} // namespace velorin::tools
