#include "tests/support/AllocationSweepRun.h"

#include "tests/support/FrameImages.h"

#include <cstdlib>
#include <sstream>

namespace velorin::testing {

namespace {

SweepReport parseReport(const std::string& text) {
    SweepReport report;
    report.text = text;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "allocations") {
            words >> report.allocations;
        } else if (first == "seconds") {
            words >> report.seconds;
        } else if (first == "failure") {
            report.failures.push_back(line);
        } else if (first == "once" || first == "from") {
            SweepMode mode;
            mode.name = first;
            std::string label;
            words >> label >> mode.tried >> label >> mode.unchanged >> label >> mode.didLess >>
                label >> mode.stopped >> label >> mode.failed;
            report.modes.push_back(mode);
        }
    }
    return report;
}

} // namespace

SweptRun runAllocationSweep(const std::string& sweepLibrary, const std::string& program,
                            std::vector<std::string> arguments,
                            const std::filesystem::path& scratch, std::vector<std::string> settings,
                            const std::string& stopStatuses) {
    const std::filesystem::path reportFile = scratch / "allocation-sweep.report";
    // The sweep is preloaded ahead of the sanitizers' runtime, which then asks not to be
    // checked for coming first; each child's leaks are checked when it ends.
    const char* inherited = std::getenv("ASAN_OPTIONS");
    std::string sanitizerOptions = inherited ? std::string(inherited) + ":" : std::string();
    sanitizerOptions += "verify_asan_link_order=0:detect_leaks=1";
    settings.push_back("LD_PRELOAD=" + sweepLibrary);
    settings.push_back("VELORIN_SWEEP_REPORT=" + reportFile.string());
    settings.push_back("VELORIN_SWEEP_STOP_STATUSES=" + stopStatuses);
    settings.push_back("ASAN_OPTIONS=" + sanitizerOptions);
    SweptRun run;
    run.process = runProcess(program, std::move(arguments), scratch, std::move(settings));
    run.report = parseReport(readWholeFile(reportFile));
    return run;
}

void writeSweptSequence(const TemporaryDeviceRoot& root, std::string_view options) {
    const std::string sequence = "var/jb/vod/Library/Velorin/chargingSequences/sweep/";
    for (int frame = 1; frame <= 3; ++frame)
        root.writeFile(sequence + "frame" + std::to_string(frame) + ".png",
                       solidPng(4, 4, static_cast<std::uint8_t>(frame * 60)));
    root.writeFile(sequence + "options.json", options);
}

std::string describeSweep(const SweepReport& report) {
    std::ostringstream table;
    table << "allocations in the window of a run without failures: " << report.allocations
          << "\n| mode | N tried | unchanged | did less | stopped with a message | failed |\n";
    for (const SweepMode& mode : report.modes)
        table << "| " << mode.name << " | " << mode.tried << " | " << mode.unchanged << " | "
              << mode.didLess << " | " << mode.stopped << " | " << mode.failed << " |\n";
    table << "seconds: " << report.seconds << "\n";
    for (const std::string& failure : report.failures)
        table << failure << "\n";
    return table.str();
}

} // namespace velorin::testing

namespace velorin::testing {

::testing::AssertionResult sweepPassed(const SweptRun& swept) {
    const SweepReport& report = swept.report;
    auto failure = [&swept](const std::string& why) {
        return ::testing::AssertionFailure()
               << why << "\n" << swept.process.err << "\n" << swept.report.text;
    };
    if (swept.process.status != 0 || !report.failures.empty())
        return failure("runs failed");
    if (report.allocations <= 100)
        return failure("the run without failures made too few allocations to be the work");
    if (report.modes.size() != 2)
        return failure("the report does not give both modes");
    for (const SweepMode& mode : report.modes) {
        if (mode.tried != report.allocations + 2 || mode.failed != 0 || mode.unchanged == 0)
            return failure("mode " + mode.name + " did not end well");
    }
    return ::testing::AssertionSuccess();
}

} // namespace velorin::testing
