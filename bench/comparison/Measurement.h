// What the comparison measures with: medians of interleaved rounds, the machine's load, and
// programs run as a user runs them, timed whole.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace velorin::bench {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start);

// Seconds taken by each named variant in every round. The variants run one after another in
// each round, in an order that turns from round to round, so that a change in the machine's
// load falls on all of them alike.
class InterleavedTimes {
public:
    void add(std::string name, std::function<double()> timedRun);
    void run(int rounds);
    double median(const std::string& name) const;

private:
    std::vector<std::pair<std::string, std::function<double()>>> m_variants;
    std::map<std::string, std::vector<double>> m_seconds;
};

// The three load averages, as /proc/loadavg gives them.
std::string loadAverages();
// The one-minute load average.
double loadNow();

struct ProcessRun {
    double seconds{0};
    int status{-1};
    // The child's peak resident memory, in bytes.
    std::size_t peakResidentBytes{0};
};

// Runs `arguments` (the program first) with its output thrown away, and times it whole. The
// program is started by a small process of this program's own (see `measureProcess`): a child
// of this large process would be charged this process's peak memory as its own.
ProcessRun runProcess(const std::vector<std::string>& arguments);

// Where this program is, for `runProcess`; set once at the start.
void setSelfPath(std::string path);

// In the small process: runs `arguments`, and prints its exit status, seconds and peak
// resident bytes on one line.
int measureProcess(const std::vector<std::string>& arguments);

// This process's resident and peak resident memory, in bytes.
std::size_t residentBytes();
std::size_t peakResidentBytes();

} // namespace velorin::bench
