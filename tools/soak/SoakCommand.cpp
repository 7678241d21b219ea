// velorin-sim soak: days of seeded random host events on the simulated host with the
// extension loaded, checking the lock screen's invariants after every event.
//
// It prints one line per simulated day and then the run's figures: events, showings, peak
// decoded bytes, virtual and wall time. A broken invariant stops the run with the event
// number, time, seed and invariant on standard error and exit status 1. The device root is
// copied and the copy removed at the end, so the root given is never written. SIGINT or SIGTERM
// stops the soak before its next event, removes the copy and ends with status 130 or 143.
#include "sim/ExtensionLoader.h"
#include "sim/Trace.h"
#include "soak/Soak.h"
#include "tools/common/Commands.h"
#include "tools/common/FaultReport.h"
#include "tools/common/InterruptionWatch.h"
#include "tools/common/SampleRoot.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <filesystem>

namespace velorin::tools {

namespace {

struct SoakArguments {
    double days{30};
    std::uint64_t seed{1};
    std::string root;
};

void printFigures(const soak::SoakReport& report, double wallSeconds) {
    std::printf("events %" PRIu64 "\n", report.events);
    std::printf("showings %" PRIu64 "\n", report.showings);
    std::printf("animated views %" PRIu64 "\n", report.animatedViews);
    std::printf("ends acted %" PRIu64 "\n", report.endsActed);
    std::printf("peak decoded bytes %zu\n", report.peakDecodedBytes);
    std::printf("virtual time %s s\n", sim::formatTime(report.virtualTime).c_str());
    std::printf("wall time %.1f s\n", wallSeconds);
}

int runSoakCommand(const SoakArguments& arguments) {
    // Before anything is made: the private root goes on an interruption.
    InterruptionWatch watch;
    auto root = chooseDeviceRoot(arguments.root);
    if (!root)
        return report(root.fault());
    std::string library = sim::defaultExtensionLibrary();
    std::error_code error;
    if (!std::filesystem::is_regular_file(library, error))
        return report(common::Fault(library, "no such extension library"));

    std::printf("soak: seed %" PRIu64 ", %s days, root %s\n", arguments.seed,
                sim::formatNumber(arguments.days).c_str(), root.value().c_str());
    std::fflush(stdout);
    auto started = std::chrono::steady_clock::now();
    auto soaked =
        soak::runSoak({arguments.days, arguments.seed, root.value(), library, watch.check()},
                      [](std::uint64_t day, const soak::SoakReport& sofar) {
                          std::printf("day %" PRIu64 ": %" PRIu64 " events, %" PRIu64 " showings\n",
                                      day, sofar.events, sofar.showings);
                          std::fflush(stdout);
                      });
    if (!soaked) {
        std::fflush(stdout);
        if (watch.received())
            return watch.reportInterruption();
        return report(soaked.fault());
    }
    const soak::SoakReport& outcome = soaked.value();
    std::chrono::duration<double> wall = std::chrono::steady_clock::now() - started;
    printFigures(outcome, wall.count());
    std::fflush(stdout);
    if (const auto& broken = outcome.breach) {
        std::fprintf(stderr,
                     "velorin-sim: soak: invariant broken after event %" PRIu64
                     " (%s) at %s s, seed %" PRIu64 ": %s: %s\n",
                     broken->eventNumber, broken->event.c_str(),
                     sim::formatTime(broken->time).c_str(), arguments.seed,
                     soak::describe(broken->breach.invariant), broken->breach.detail.c_str());
        if (!broken->recentTrace.empty())
            std::fprintf(stderr, "the host's last trace lines before it:\n");
        for (const std::string& line : broken->recentTrace)
            std::fprintf(stderr, "  %s\n", line.c_str());
        return static_cast<int>(ExitStatus::ProblemsFound);
    }
    return 0;
}

} // namespace

CommandRun addSoakOptions(CLI::App& command) {
    auto arguments = std::make_shared<SoakArguments>();
    command.add_option("--days", arguments->days, "Simulated days (default 30)")
        ->check(CLI::PositiveNumber);
    command.add_option("--seed", arguments->seed, "Seed of the random events (default 1)");
    command.add_option("--root", arguments->root,
                       "Device root to copy (default: your own)");
    return [arguments] { return runSoakCommand(*arguments); };
}

} // namespace velorin::tools
