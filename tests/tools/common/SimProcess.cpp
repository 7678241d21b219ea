#include "tests/tools/common/SimProcess.h"

namespace velorin::testing {

SimOutcome runVelorinSim(const std::filesystem::path& scratch, std::vector<std::string> arguments,
                         std::vector<std::string> settings) {
    return runProcess(VELORIN_SIM_PATH, std::move(arguments), scratch, std::move(settings));
}

} // namespace velorin::testing
