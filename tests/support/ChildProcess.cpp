#include "tests/support/ChildProcess.h"

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

ProcessOutcome runProcess(const std::string& program, std::vector<std::string> arguments,
                          const std::filesystem::path& scratch, std::vector<std::string> settings) {
    std::string name = std::filesystem::path(program).filename().string();
    std::string outPath = (scratch / (name + ".out")).string();
    std::string errPath = (scratch / (name + ".err")).string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    arguments.insert(arguments.begin(), program);
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
    ProcessOutcome outcome;
    if (posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environment.data()) ==
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
