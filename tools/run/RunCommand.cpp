// velorin-sim run: plays a scenario on a simulated host shell with the extension loaded, and
// prints the trace of what the host saw.
//
// Everything that can be checked before the run is: the scenario file, the device root and
// the extension library. A fault in any of them stops the command before the first trace
// line. The device root is only read; the scenario's preference edits go to a private copy.
// SIGINT or SIGTERM stops the run before its next event, removes the private copy and ends with
// status 130 or 143.
#include "sim/ExtensionLoader.h"
#include "sim/ScenarioRunner.h"
#include "tools/common/Commands.h"
#include "tools/common/FaultReport.h"
#include "tools/common/InterruptionWatch.h"
#include "tools/common/SampleRoot.h"
#include "tools/common/ScenarioFile.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>

namespace velorin::tools {

namespace {

int runScenarioFile(const std::string& scenarioPath, const std::string& givenRoot) {
    // Before anything is made: the host's private preference copy goes on an interruption.
    InterruptionWatch watch;
    auto scenario = readScenarioFile(scenarioPath);
    if (!scenario)
        return report(scenario.fault());
    auto root = chooseDeviceRoot(givenRoot);
    if (!root)
        return report(root.fault());
    sim::HostEnvironment environment{root.value(), std::nullopt};
    if (scenario.value().launches()) {
        std::string library = sim::defaultExtensionLibrary();
        std::error_code error;
        if (!std::filesystem::is_regular_file(library, error))
            return report(common::Fault(library, "no such extension library"));
        environment.extensionLibrary = library;
    }
    auto played = sim::runScenario(
        scenario.value(), environment,
        [](std::string_view line) {
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fputc('\n', stdout);
        },
        watch.check());
    std::fflush(stdout);
    if (!played && watch.received())
        return watch.reportInterruption();
    if (!played)
        return report(played.fault());
    return 0;
}

} // namespace

CommandRun addRunOptions(CLI::App& command) {
    auto scenario = std::make_shared<std::string>();
    auto root = std::make_shared<std::string>();
    command.add_option("SCENARIO", *scenario, "Scenario file")->required();
    command.add_option("--root", *root, "Device root (default: your own)");
    return [scenario, root] { return runScenarioFile(*scenario, *root); };
}

} // namespace velorin::tools
