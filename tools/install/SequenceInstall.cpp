#include "tools/install/SequenceInstall.h"

#include "common/QuoteText.h"
#include "common/SystemCalls.h"
#include "platform/RootedPath.h"
#include "sequences/SequenceDirectory.h"
#include "settings/Settings.h"
#include "sim/PrivateCopy.h"
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

// Whether an order problem means the frames may play out of the order of their names: frames
// that play in another order, or that all share one key so that the listing alone orders them.
bool playsOutOfOrder(const CheckProblem& problem) {
    return problem.kind == ProblemKind::OrderDiffers ||
           (problem.kind == ProblemKind::EqualKeys && problem.severity == Severity::Error);
}

// The order that plays when the folder is listed by name, as the start of a clause.
std::string listedOrder(const CheckReport& report) {
    constexpr std::size_t shownAtMost = 6;
    std::string text = "listed by name, they play ";
    for (std::size_t index = 0; index < report.frames.size() && index < shownAtMost; ++index)
        text += (index == 0 ? "" : ", ") + report.frames[index].name;
    if (report.frames.size() > shownAtMost)
        text += ", … (" + std::to_string(report.frames.size() - shownAtMost) + " more)";
    return text;
}

} // namespace

common::Result<void> copyIntoStagedSequence(const SequenceArgument& source,
                                            const StagedSequence& staged, const std::string& parent,
                                            const common::InterruptionCheck& interrupted) {
    auto target = TRY(common::openFile(staged.stagedPath(""), O_RDONLY | O_DIRECTORY)
                          .withContext(parent, "cannot be written"));
    auto allowance = common::CopyAllowance::forFolder(parent, common::CopyDestination::DeviceRoot);
    return copySequenceAsInstalled(source, target.get(), allowance, interrupted);
}

common::Result<CheckReport> judgeForInstall(const SequenceArgument& source, OrderCheck order) {
    auto checked = checkSequence(source, CheckRequest{std::nullopt, ResourceForkFiles::LeftOut});
    if (!checked)
        return checked.fault();
    const CheckReport& report = checked.value();
    if (report.frames.empty())
        return common::Fault(source.folder, "holds no frame (no name ends in \".png\"); there is "
                                            "nothing to install");
    if (order == OrderCheck::Force)
        return checked;
    std::string reasons;
    for (const auto& problem : report.problems) {
        if (playsOutOfOrder(problem))
            reasons += (reasons.empty() ? "" : "; and ") + problem.message;
    }
    if (reasons.empty())
        return checked;
    std::string played = report.listedOrderIsNatural() ? "" : " (" + listedOrder(report) + ")";
    return common::Fault(source.folder, "is not installed: its frames would play in another order "
                                        "than the natural order of their names" +
                                            played + ": " + reasons +
                                            " (--force installs it as it is)");
}

common::Result<void> copySequenceAsInstalled(const SequenceArgument& source, int target,
                                             common::CopyAllowance& allowance,
                                             const common::InterruptionCheck& interrupted) {
    // A folder of the author's own is the root its entries are opened in, so no link leads
    // out of it; a sequence of a root is read inside that root, as the device reads it.
    bool inRoot = source.kind == SequenceArgument::Kind::Name;
    auto sourceRoot = TRY(common::openRoot(inRoot ? source.root : source.folder)
                              .withContext(source.folder, "cannot be opened"));
    std::string folderPath = inRoot ? sequenceDirectory(source.name).value_or(".") : ".";
    return sim::copySequenceFolder(sourceRoot.get(), folderPath, source.folder, target, allowance,
                                   interrupted, sim::ResourceForkCopy::Drop);
}

common::Result<InstalledSequence> installSequence(const InstallRequest& request,
                                                  const common::InterruptionCheck& interrupted) {
    auto source = TRY(resolveSequenceArgument(request.source, request.root));
    auto root = TRY(chooseDeviceRoot(request.root, RootAccess::Write));
    std::string name = request.name;
    if (name.empty())
        name = source.kind == SequenceArgument::Kind::Name ? source.name
                                                           : sequenceNameFromSource(source.folder);
    TRY(checkSequenceName(name));
    std::string parent = TRY(sequencesFolderForWriting(root));
    std::string destination = (fs::path(parent) / name).string();
    if (sameFolder(source.folder, destination))
        return common::Fault(destination, "is the folder to install; give --as another name");
    // A preference list that the choice could not be written to is found before anything.
    if (request.choice == ChoiceAfterInstall::Choose) {
        TRY(readPreferences(root));
    }
    auto judged = TRY(judgeForInstall(source, request.order));

    auto staged = TRY(StagedSequence::open(parent, name, request.existing));
    TRY(copyIntoStagedSequence(source, *staged, parent, interrupted));
    TRY(common::stopIfInterrupted(interrupted));
    std::error_code error;
    bool replaced = fs::exists(fs::symlink_status(destination, error));
    auto committed = TRY(staged->commit(ReplacedSequence::KeepUntilFinished));

    InstalledSequence installed{
        name,     root,  destination, std::move(judged), countResourceForkFrames(source.folder),
        replaced, false, std::nullopt};
    if (request.choice == ChoiceAfterInstall::Choose) {
        // The sequence is taken out again (and a replaced one put back) when it cannot be
        // chosen, so that the install is whole or nothing.
        // Nothing the choice could warn of applies: the sequence is there and the extension on.
        common::Result<std::vector<std::string>> chosen =
            common::isInterrupted(interrupted)
                ? common::Result<std::vector<std::string>>(common::interruptionFault())
                : setPreferences(
                      root, {{sequenceNamePreferenceKey, name}, {enabledPreferenceKey, "true"}});
        if (!chosen) {
            if (auto undone = staged->undoCommit(); !undone)
                return common::Fault(undone.fault().file.value_or(destination),
                                     undone.fault().message +
                                         " after the choice failed: " + chosen.fault().text());
            common::Fault fault = chosen.fault();
            fault.message += installed.replaced ? "; so " + name +
                                                      " was not installed, and the sequence it "
                                                      "replaced is back"
                                                : "; so " + name + " was not installed";
            return fault;
        }
        installed.chosen = true;
    }
    installed.note = staged->finishCommit();
    return installed;
}

} // namespace velorin::tools
