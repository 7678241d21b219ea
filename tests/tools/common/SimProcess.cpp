#include "tests/tools/common/SimProcess.h"

namespace velorin::testing {

SimOutcome runVelorinSim(const std::filesystem::path& scratch, std::vector<std::string> arguments,
                         std::vector<std::string> settings) {
    return runProcess(VELORIN_SIM_PATH, std::move(arguments), scratch, std::move(settings));
}

std::vector<std::vector<std::string>> suggestedCommands(const std::string& output) {
    std::vector<std::vector<std::string>> commands;
    const std::string prefix = "  velorin-sim ";
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = std::min(output.find('\n', start), output.size());
        std::string line = output.substr(start, end - start);
        start = end + 1;
        if (!line.starts_with(prefix))
            continue;
        std::vector<std::string> words;
        std::size_t wordStart = prefix.size();
        while (wordStart < line.size()) {
            std::size_t wordEnd = std::min(line.find(' ', wordStart), line.size());
            if (wordEnd > wordStart)
                words.push_back(line.substr(wordStart, wordEnd - wordStart));
            wordStart = wordEnd + 1;
        }
        commands.push_back(words);
    }
    return commands;
}

} // namespace velorin::testing
