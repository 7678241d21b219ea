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

// How long something took: wall time, and the processor time of every thread of this process
// (user and system) over the same span, so that work spread over threads counts in full.
// Processor time changes little with the machine's load, so on a busy machine it is the
// figure to go by.
struct Timing {
    double seconds{0};
    double processorSeconds{0};
};

class Stopwatch {
public:
    Stopwatch();
    Timing elapsed() const;

private:
    Clock::time_point m_start;
    double m_processorStart;
};

// The time taken by each named variant in every round. The variants run one after another in
// each round, in an order that turns from round to round, so that a change in the machine's
// load falls on all of them alike.
class InterleavedTimes {
public:
    void add(std::string name, std::function<Timing()> timedRun);
    void run(int rounds);
    // Medians of the wall and of the processor time.
    double median(const std::string& name) const;
    double processorMedian(const std::string& name) const;

private:
    std::vector<std::pair<std::string, std::function<Timing()>>> m_variants;
    std::map<std::string, std::vector<double>> m_seconds;
    std::map<std::string, std::vector<double>> m_processorSeconds;
};

// The three load averages, as /proc/loadavg gives them.
std::string loadAverages();
// The one-minute load average.
double loadNow();

struct ProcessRun {
    double seconds{0};
    // The child's user and system time.
    double processorSeconds{0};
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

// In the small process: runs `arguments`, and prints its exit status, seconds, peak resident
// bytes and processor seconds on one line.
int measureProcess(const std::vector<std::string>& arguments);

// This process's resident and peak resident memory, in bytes.
std::size_t residentBytes();
std::size_t peakResidentBytes();

} // namespace velorin::bench
