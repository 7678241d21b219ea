#include "bench/comparison/Measurement.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velorin::bench {

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

namespace {

double secondsOf(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

double processorSecondsOf(const rusage& usage) {
    return secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
}

double processorSecondsNow() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return processorSecondsOf(usage);
}

double medianOf(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

Stopwatch::Stopwatch() : m_start(Clock::now()), m_processorStart(processorSecondsNow()) {
}

Timing Stopwatch::elapsed() const {
    return {secondsSince(m_start), processorSecondsNow() - m_processorStart};
}

void InterleavedTimes::add(std::string name, std::function<Timing()> timedRun) {
    m_variants.emplace_back(std::move(name), std::move(timedRun));
}

void InterleavedTimes::run(int rounds) {
    std::size_t count = m_variants.size();
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t step = 0; step < count; ++step) {
            auto& [name, timedRun] = m_variants[(step + static_cast<std::size_t>(round)) % count];
            Timing timing = timedRun();
            m_seconds[name].push_back(timing.seconds);
            m_processorSeconds[name].push_back(timing.processorSeconds);
        }
    }
}

double InterleavedTimes::median(const std::string& name) const {
    auto found = m_seconds.find(name);
    return found == m_seconds.end() ? 0 : medianOf(found->second);
}

double InterleavedTimes::processorMedian(const std::string& name) const {
    auto found = m_processorSeconds.find(name);
    return found == m_processorSeconds.end() ? 0 : medianOf(found->second);
}

std::string loadAverages() {
    std::ifstream file("/proc/loadavg");
    double one = 0, five = 0, fifteen = 0;
    file >> one >> five >> fifteen;
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", one, five, fifteen);
    return text;
}

double loadNow() {
    std::ifstream file("/proc/loadavg");
    double one = 0;
    file >> one;
    return one;
}

namespace {

std::string selfPath;

// Starts `arguments` with its standard output on `output` (or thrown away) and its errors
// thrown away. A program named without a folder (`ffmpeg`) is looked for on the PATH.
pid_t spawn(const std::vector<std::string>& arguments, int output) {
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output >= 0)
        posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    int failed = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        throw std::runtime_error("cannot run " + arguments.front());
    return child;
}

} // namespace

void setSelfPath(std::string path) {
    selfPath = std::move(path);
}

int measureProcess(const std::vector<std::string>& arguments) {
    auto start = Clock::now();
    pid_t child = spawn(arguments, -1);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    double seconds = secondsSince(start);
    std::printf("%d %.9f %llu %.6f\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1, seconds,
                static_cast<unsigned long long>(usage.ru_maxrss) * 1024,
                processorSecondsOf(usage));
    return 0;
}

ProcessRun runProcess(const std::vector<std::string>& arguments) {
    std::vector<std::string> measured{selfPath, "--measure"};
    measured.insert(measured.end(), arguments.begin(), arguments.end());
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        throw std::runtime_error("cannot make a pipe");
    pid_t child = spawn(measured, pipeEnds[1]);
    ::close(pipeEnds[1]);
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ProcessRun run;
    unsigned long long peak = 0;
    if (std::sscanf(text.c_str(), "%d %lf %llu %lf", &run.status, &run.seconds, &peak,
                    &run.processorSeconds) != 4)
        throw std::runtime_error("cannot time " + arguments.front());
    run.peakResidentBytes = static_cast<std::size_t>(peak);
    return run;
}

namespace {

std::size_t statusField(const char* field) {
    std::ifstream file("/proc/self/status");
    std::string line;
    std::string prefix = std::string(field) + ":";
    while (std::getline(file, line)) {
        if (line.rfind(prefix, 0) == 0)
            return std::stoull(line.substr(prefix.size())) * 1024;
    }
    return 0;
}

} // namespace

std::size_t residentBytes() {
    return statusField("VmRSS");
}

std::size_t peakResidentBytes() {
    return statusField("VmHWM");
}

} // namespace velorin::bench
