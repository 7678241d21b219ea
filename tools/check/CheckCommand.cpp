// velorin-sim check: how a sequence folder plays, and what makes it play otherwise than its
// frame names suggest.
#include "sim/QuoteText.h"
#include "tools/check/CheckReport.h"
#include "tools/check/OptionsProblems.h"
#include "tools/check/SequenceCheck.h"
#include "tools/common/Commands.h"
#include "tools/common/FaultReport.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>

namespace velorin::tools {

namespace {

enum class ReportFormat { Text, Json };

int runCheck(const std::string& folder, std::optional<ScreenSize> screen, ReportFormat format) {
    auto checked = checkSequenceFolder(folder, screen);
    if (!checked)
        return report(checked.fault());
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
        std::string screen;
        bool json{false};
    };
    auto options = std::make_shared<Options>();
    command->add_option("DIR", options->folder, "The sequence folder")->required();
    // A size that cannot be read is refused while the command line is parsed, so it is a
    // usage error like any other.
    CLI::Validator screenSize(
        [](std::string& text) {
            return parseScreenSize(text)
                       ? std::string()
                       : sim::quoteText(text) + " is not WIDTHxHEIGHT in points, both above 0, "
                                                "such as 400x800";
        },
        "WxH");
    command
        ->add_option("--screen", options->screen,
                     "Also give the placement that options.json gives on a screen of this size "
                     "in points, and the options' problems")
        ->check(screenSize);
    command->add_flag("--json", options->json, "Print the report as one JSON object");
    command->callback([options, &exitStatus] {
        std::optional<ScreenSize> screen;
        if (!options->screen.empty()) {
            screen = parseScreenSize(options->screen);
            if (auto note = screenSizeNote(*screen))
                std::fprintf(stderr, "velorin-sim: %s\n", note->c_str());
        }
        exitStatus = runCheck(options->folder, screen,
                              options->json ? ReportFormat::Json : ReportFormat::Text);
    });
}

} // namespace velorin::tools
