#include "tests/support/ChildProcess.h"

#include "tests/support/ScratchHome.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velorin::testing {

namespace {

// The environment of a program a test starts: the test's settings, a home of its own in
// `scratch` for what they leave unnamed, and the rest of this process's environment.
std::vector<std::string> childEnvironment(const std::filesystem::path& scratch,
                                          std::vector<std::string> settings) {
    settings = withScratchHome(scratch, std::move(settings));
    std::vector<std::string> names;
    for (const std::string& setting : settings)
        names.push_back(setting.substr(0, setting.find('=') + 1));
    for (char** inherited = environ; *inherited; ++inherited) {
        std::string_view entry(*inherited);
        if (std::none_of(names.begin(), names.end(),
                         [&](const std::string& name) { return entry.starts_with(name); }))
            settings.emplace_back(entry);
    }
    return settings;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

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
    auto argv = pointersTo(arguments);
    settings = childEnvironment(scratch, std::move(settings));
    auto environment = pointersTo(settings);
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

RunningProcess::RunningProcess(const std::string& program, std::vector<std::string> arguments,
                               const std::filesystem::path& scratch,
                               std::vector<std::string> settings)
    : m_errors(scratch / (std::filesystem::path(program).filename().string() + ".running.err")) {
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return;
    int input[2];
    if (::pipe2(input, O_CLOEXEC) != 0) {
        ::close(pipe[0]);
        ::close(pipe[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, m_errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    arguments.insert(arguments.begin(), program);
    settings = childEnvironment(scratch, std::move(settings));
    auto argv = pointersTo(arguments);
    auto environment = pointersTo(settings);
    pid_t child = -1;
    if (posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environment.data()) ==
        0)
        m_pid = child;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    ::close(input[0]);
    m_output = pipe[0];
    m_input = input[1];
}

RunningProcess::~RunningProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_output >= 0)
        ::close(m_output);
    closeInput();
    std::error_code ignored;
    std::filesystem::remove(m_errors, ignored);
}

bool RunningProcess::waitForOutput(const std::string& text) {
    char buffer[4096];
    while (m_read.find(text) == std::string::npos) {
        ssize_t count = ::read(m_output, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        m_read.append(buffer, static_cast<std::size_t>(count));
    }
    return true;
}

void RunningProcess::signal(int number) const {
    if (m_pid > 0)
        ::kill(m_pid, number);
}

bool RunningProcess::sendInput(const std::string& text) {
    // A program that has ended must fail the test, not end it with SIGPIPE.
    ::signal(SIGPIPE, SIG_IGN);
    std::size_t written = 0;
    while (m_input >= 0 && written < text.size()) {
        ssize_t count = ::write(m_input, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        written += static_cast<std::size_t>(count);
    }
    return m_input >= 0;
}

void RunningProcess::closeInput() {
    if (m_input >= 0)
        ::close(m_input);
    m_input = -1;
}

ProcessOutcome RunningProcess::finish() {
    closeInput();
    ProcessOutcome outcome;
    char buffer[4096];
    for (ssize_t count; (count = ::read(m_output, buffer, sizeof buffer)) != 0;) {
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            break;
        m_read.append(buffer, static_cast<std::size_t>(count));
    }
    if (m_pid > 0) {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        m_pid = -1;
    }
    outcome.out = m_read;
    outcome.err = readWholeFile(m_errors);
    return outcome;
}

} // namespace velorin::testing
