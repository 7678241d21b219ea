#include "tests/tools/common/SimProcess.h"

#include <algorithm>

namespace velorin::testing {

SimOutcome runVelorinSim(const std::filesystem::path& scratch, std::vector<std::string> arguments,
                         std::vector<std::string> settings) {
    // A command without --root works on the user's own root; a test never touches the real
    // user's, so it gets one of its own in the scratch folder unless it chose one.
    bool rootChosen = std::any_of(settings.begin(), settings.end(), [](const std::string& setting) {
        return setting.starts_with("VELORIN_ROOT=");
    });
    if (!rootChosen)
        settings.push_back("VELORIN_ROOT=" + (scratch / "user-root").string());
    return runProcess(VELORIN_SIM_PATH, std::move(arguments), scratch, std::move(settings));
}

} // namespace velorin::testing
