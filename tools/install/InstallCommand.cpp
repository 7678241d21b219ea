// velorin-sim install: puts a sequence folder into a device root's sequences, optionally as
// the chosen one, whole or not at all.
//
// Every argument is checked before anything is written. An interruption (SIGINT or SIGTERM)
// stops the copy between files, removes what it had written, leaves the root as it was and
// ends with the usual status for that signal (130 or 143).
#include "common/ByteCount.h"
#include "tools/common/Commands.h"
#include "tools/common/FaultReport.h"
#include "tools/common/InterruptionWatch.h"
#include "tools/common/NextSteps.h"
#include "tools/common/TerminalColour.h"
#include "tools/install/PackageInstall.h"
#include "tools/install/SequenceInstall.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

namespace velorin::tools {

namespace {

struct InstallArguments {
    InstallRequest request;
    bool replace{false};
    bool select{false};
    bool force{false};
};

std::string countOf(std::size_t count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

// `givenRoot` is the root as the user named it, empty for their own.
void printInstalled(const InstalledSequence& installed, const std::string& givenRoot) {
    const CheckReport& report = installed.report;
    std::printf("%s %s in %s: %s, %s decoded\n", installed.replaced ? "Replaced" : "Installed",
                installed.name.c_str(), installed.folder.c_str(),
                countOf(report.frames.size(), "frame", "frames").c_str(),
                common::describeByteCount(report.decodedBytes).c_str());
    if (installed.resourceForksLeftOut > 0)
        std::printf(
            "Left out %s (\"._\" names another system leaves beside each file)\n",
            countOf(installed.resourceForksLeftOut, "resource-fork file", "resource-fork files")
                .c_str());
    std::size_t errors = report.count(Severity::Error);
    std::size_t warnings = report.count(Severity::Warning);
    if (errors + warnings > 0)
        writeColoured("Check found " + countOf(errors, "error", "errors") + " and " +
                          countOf(warnings, "warning", "warnings") + ": velorin-sim check " +
                          installed.name + " --root " + installed.root + "\n",
                      stdout);
    if (installed.chosen)
        std::printf("Chose %s and turned the extension on\n", installed.name.c_str());
    else
        std::fputs(nextStepsInRoot(installed.root, givenRoot, installed.name).c_str(), stdout);
    if (installed.note)
        printNote(*installed.note);
}

int runPackageInstall(const InstallArguments& arguments, InterruptionWatch& watch) {
    if (!arguments.request.name.empty())
        return report(common::Fault{"--as",
                                    "renames a folder's sequence; a package's sequences keep "
                                    "their names"});
    PackageInstallRequest request{
        arguments.request.source, arguments.request.root,
        arguments.replace ? ExistingSequence::Replace : ExistingSequence::Refuse,
        arguments.select ? ChoiceAfterInstall::Choose : ChoiceAfterInstall::Leave,
        arguments.force ? OrderCheck::Force : OrderCheck::Refuse};
    auto installed = installPackage(request, watch.check());
    if (!installed && watch.received())
        return watch.reportInterruption();
    if (!installed)
        return report(installed.fault());
    const PackageDescription& package = installed.value().package;
    std::printf("From package %s %s:\n", package.identifier.c_str(), package.version.c_str());
    for (const InstalledSequence& sequence : installed.value().sequences)
        printInstalled(sequence, arguments.request.root);
    if (!package.maintainerScripts.empty()) {
        std::string scripts;
        for (const std::string& script : package.maintainerScripts)
            scripts += (scripts.empty() ? "" : ", ") + script;
        std::printf("The package holds maintainer scripts (%s); they were not run: install never "
                    "runs a package's scripts\n",
                    scripts.c_str());
    }
    if (package.filesLeftOut > 0)
        std::printf("Left out %s the device never reads (in subfolders, or neither frames nor "
                    "options.json)\n",
                    countOf(package.filesLeftOut, "file", "files").c_str());
    return 0;
}

int runInstall(InstallArguments& arguments) {
    if (namesPackageFile(arguments.request.source)) {
        InterruptionWatch watch;
        return runPackageInstall(arguments, watch);
    }
    InstallRequest request = arguments.request;
    request.existing = arguments.replace ? ExistingSequence::Replace : ExistingSequence::Refuse;
    request.choice = arguments.select ? ChoiceAfterInstall::Choose : ChoiceAfterInstall::Leave;
    request.order = arguments.force ? OrderCheck::Force : OrderCheck::Refuse;
    InterruptionWatch watch;
    auto installed = installSequence(request, watch.check());
    if (!installed && watch.received())
        return watch.reportInterruption();
    if (!installed)
        return report(installed.fault());
    printInstalled(installed.value(), arguments.request.root);
    return 0;
}

} // namespace

CommandRun addInstallOptions(CLI::App& command) {
    auto arguments = std::make_shared<InstallArguments>();
    InstallRequest& request = arguments->request;
    command
        .add_option("DIR", request.source,
                    "The sequence folder (an argument holding a \"/\" or naming a folder here), "
                    "a sequence of the root to copy under another name, or a package file "
                    "(NAME.deb) whose sequences are installed together; its maintainer scripts "
                    "are never run")
        ->required();
    command.add_option("--as", request.name, "Its name in the root (default: the folder's name)");
    command.add_option("--root", request.root, "Device root (default: your own)");
    command.add_flag("--select", arguments->select,
                     "Make it the chosen sequence and turn the extension on");
    command.add_flag("--replace", arguments->replace, "Replace a sequence of the same name");
    command.add_flag("--force", arguments->force,
                     "Install it though its frames would play in another order than their "
                     "names'");
    return [arguments] { return runInstall(*arguments); };
}

} // namespace velorin::tools
