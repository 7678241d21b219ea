#include "tools/common/ScenarioFile.h"

#include "common/SystemCalls.h"
#include "sim/ScenarioReader.h"

#include <cstdint>
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

} // namespace

common::Result<sim::Scenario> readScenarioFile(const std::string& path) {
    auto text = TRY(readScenarioText(path));
    auto scenario = sim::readScenario(text);
    if (!scenario) {
        common::Fault fault = scenario.fault();
        fault.file = path;
        return fault;
    }
    return scenario;
}

} // namespace velorin::tools
