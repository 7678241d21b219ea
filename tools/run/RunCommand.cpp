// velorin-sim run: plays a scenario on a simulated host shell with the extension loaded, and
// prints the trace of what the host saw.
//
// Everything that can be checked before the run is: the scenario file, the device root and
// the extension library. A fault in any of them stops the command before the first trace
// line. The device root is only read; the scenario's preference edits go to a private copy.
// SIGINT or SIGTERM stops the run before its next event, removes the private copy and ends with
// status 130 or 143.
#include "common/SystemCalls.h"
#include "sim/ExtensionLoader.h"
#include "sim/ScenarioReader.h"
#include "sim/ScenarioRunner.h"
#include "tools/common/Commands.h"
#include "tools/common/FaultReport.h"
#include "tools/common/InterruptionWatch.h"
#include "tools/common/SampleRoot.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <vector>

namespace velorin::tools {

namespace {

common::Result<std::string> readScenarioText(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return common::Fault(path, "no such scenario file");
    if (!std::filesystem::is_regular_file(path, error))
        return common::Fault(path, "not a scenario file (expected a regular file)");
    auto file = TRY(common::openFile(path, O_RDONLY).withContext(path, "cannot read the scenario"));
    std::string text;
    std::vector<std::uint8_t> buffer(64 * 1024);
    for (;;) {
        std::size_t count =
            TRY(common::readSome(file.get(), buffer).withContext(path, "cannot read the scenario"));
        if (count == 0)
            return text;
        text.append(reinterpret_cast<const char*>(buffer.data()), count);
    }
}

int runScenarioFile(const std::string& scenarioPath, const std::string& givenRoot) {
    // Before anything is made: the host's private preference copy goes on an interruption.
    InterruptionWatch watch;
    auto text = readScenarioText(scenarioPath);
    if (!text)
        return report(text.fault());
    auto scenario = sim::readScenario(text.value());
    if (!scenario) {
        common::Fault fault = scenario.fault();
        fault.file = scenarioPath;
        return report(fault);
    }
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
    command.add_option("--root", *root, "Device root (default: your device root)");
    return [scenario, root] { return runScenarioFile(*scenario, *root); };
}

} // namespace velorin::tools
