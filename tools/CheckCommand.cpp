// velorin-sim check: how a sequence folder plays, and what makes it play otherwise than its
// frame names suggest.
#include "tools/CheckReport.h"
#include "tools/Commands.h"
#include "tools/SequenceCheck.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

namespace velorin::tools {

namespace {

enum class ReportFormat { Text, Json };

int runCheck(const std::string& folder, ReportFormat format) {
    auto checked = checkSequenceFolder(folder);
    if (!checked)
        return report(checked.error());
    if (format == ReportFormat::Json)
        std::cout << reportToJsonText(checked.value()) << '\n';
    else
        printReport(checked.value(), std::cout);
    std::cout.flush();
    return static_cast<int>(checked.value().status());
}

} // namespace

void addCheckCommand(CLI::App& application, int& exitStatus) {
    auto* command = application.add_subcommand(
        "check", "List a sequence folder's frames in playing order and the problems that make "
                 "it play otherwise than its names suggest (exit 0: none, 1: problems found, "
                 "2: the folder cannot be read)");
    struct Options {
        std::string folder;
        bool json{false};
    };
    auto options = std::make_shared<Options>();
    command->add_option("DIR", options->folder, "The sequence folder")->required();
    command->add_flag("--json", options->json, "Print the report as one JSON object");
    command->callback([options, &exitStatus] {
        exitStatus =
            runCheck(options->folder, options->json ? ReportFormat::Json : ReportFormat::Text);
    });
}

} // namespace velorin::tools
