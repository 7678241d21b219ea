#include "tests/tools/common/SimProcess.h"

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace velorin::testing {

std::string readWholeFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

SimOutcome runVelorinSim(const std::filesystem::path& scratch, std::vector<std::string> arguments,
                         std::vector<std::string> settings) {
    std::string outPath = (scratch / "velorin-sim.out").string();
    std::string errPath = (scratch / "velorin-sim.err").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    arguments.insert(arguments.begin(), VELORIN_SIM_PATH);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<char*> environment;
    for (std::string& setting : settings)
        environment.push_back(setting.data());
    for (char** inherited = environ; *inherited; ++inherited)
        environment.push_back(*inherited);
    environment.push_back(nullptr);
    pid_t child = 0;
    SimOutcome outcome;
    if (posix_spawn(&child, VELORIN_SIM_PATH, &actions, nullptr, argv.data(), environment.data()) ==
        0) {
        int status = 0;
        waitpid(child, &status, 0);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    outcome.out = readWholeFile(outPath);
    outcome.err = readWholeFile(errPath);
    std::error_code ignored;
    std::filesystem::remove(outPath, ignored);
    std::filesystem::remove(errPath, ignored);
    return outcome;
}

} // namespace velorin::testing
