#include "tools/common/ScenarioFile.h"

#include "sim/ScenarioReader.h"
#include "sim/SystemError.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace velorin::tools {

namespace {

sim::Result<std::string> readScenarioText(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return sim::Fault(path, "no such scenario file");
    if (!std::filesystem::is_regular_file(path, error))
        return sim::Fault(path, "not a scenario file (expected a regular file)");
    std::ifstream file;
    errno = 0;
    file.open(path, std::ios::binary);
    if (!file)
        return sim::Fault(path, "cannot read the scenario: " + sim::describeSystemError(errno));
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad())
        return sim::Fault(path, "cannot read the scenario");
    return text;
}

} // namespace

sim::Result<sim::Scenario> readScenarioFile(const std::string& path) {
    auto text = readScenarioText(path);
    if (!text)
        return text.fault();
    auto scenario = sim::readScenario(text.value());
    if (!scenario) {
        sim::Fault fault = scenario.fault();
        fault.file = path;
        return fault;
    }
    return scenario;
}

} // namespace velorin::tools
