// velorin-sim check: how a sequence plays, and what makes it play otherwise than its author
// meant, each problem with its severity. The verdict comes first, in one line, then the
// problems; the frames are listed one by one only when asked.
//
// The exit status is 0 without errors, 1 with errors (with --strict, with warnings too), and
// 2 when the sequence cannot be read at all.
#include "tools/check/CheckReport.h"
#include "tools/check/OptionsProblems.h"
#include "tools/check/SequenceCheck.h"
#include "tools/common/Commands.h"
#include "tools/common/FaultReport.h"
#include "tools/common/SequenceArgument.h"
#include "tools/common/TerminalColour.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>

namespace velorin::tools {

namespace {

enum class ReportFormat { Text, Json };

struct CheckArguments {
    std::string sequence;
    std::string root;
    std::string screen;
    bool json{false};
    bool strict{false};
    bool frames{false};
    bool quiet{false};
};

int runCheck(const CheckArguments& arguments) {
    std::optional<ScreenSize> screen;
    if (!arguments.screen.empty()) {
        screen = parseScreenSize(arguments.screen);
        if (auto note = screenSizeNote(*screen))
            std::fprintf(stderr, "velorin-sim: %s\n", note->c_str());
    }
    auto sequence = resolveSequenceArgument(arguments.sequence, arguments.root);
    if (!sequence)
        return report(sequence.fault());
    auto checked =
        checkSequence(sequence.value(), CheckRequest{screen, ResourceForkFiles::Counted});
    if (!checked)
        return report(checked.fault());
    auto format = arguments.json ? ReportFormat::Json : ReportFormat::Text;
    if (format == ReportFormat::Json)
        std::cout << reportToJsonText(checked.value()) << '\n';
    std::cout.flush();
    if (format == ReportFormat::Text) {
        std::ostringstream text;
        if (arguments.quiet)
            text << verdictLine(checked.value()) << '\n';
        else
            printReport(checked.value(), text,
                        arguments.frames ? FrameListing::Listed : FrameListing::Counted);
        writeColoured(text.str(), stdout);
    }
    return static_cast<int>(checked.value().status(arguments.strict ? Strictness::WarningsToo
                                                                    : Strictness::ErrorsOnly));
}

} // namespace

CommandRun addCheckOptions(CLI::App& command) {
    command.footer("The first line is the verdict: the problems counted and what plays. Each "
                   "problem is an error (it plays wrong or not at all), a warning (it plays but "
                   "may surprise) or a note; problems of one kind found in several files take "
                   "one line.\nExit status: 0 without errors; 1 with errors, "
                   "or with --strict with warnings too; 2 when the sequence cannot be read.");
    auto options = std::make_shared<CheckArguments>();
    command
        .add_option("SEQUENCE", options->sequence,
                    "A sequence folder (an argument holding a \"/\" or naming a folder here), "
                    "or a sequence name in the root")
        ->required();
    command.add_option("--root", options->root,
                       "Device root a sequence name is looked up in (default: your own)");
    // A size that cannot be read is refused while the command line is parsed, so it is a
    // usage error like any other.
    CLI::Validator screenSize(unreadableScreenSize, "WxH");
    command
        .add_option("--screen", options->screen,
                    "Also give the placement that options.json gives on a screen of this size "
                    "in points, whether it leaves the screen, and which of the lock screen's "
                    "clock, date, buttons and home indicator it covers")
        ->check(screenSize);
    auto* json = command.add_flag("--json", options->json,
                                  "Print the report as one JSON object; each problem has its "
                                  "severity");
    auto* frames = command.add_flag("--frames,--verbose", options->frames,
                                    "Also list every frame in playing order, with its window, "
                                    "key and size");
    command
        .add_flag("--quiet,-q", options->quiet,
                  "Print only the verdict line; the exit status is the same")
        ->excludes(json)
        ->excludes(frames);
    command.add_flag("--strict", options->strict, "Exit with 1 for warnings too");
    return [options] { return runCheck(*options); };
}

} // namespace velorin::tools
