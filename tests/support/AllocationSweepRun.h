// Runs a host program with the allocation-failure sweep preloaded (support/allocation) and
// reads what the sweep found.
#pragma once

#include "tests/support/ChildProcess.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velorin::testing {

struct SweepMode {
    std::string name;
    long tried{0};
    long unchanged{0};
    long didLess{0};
    long stopped{0};
    long failed{0};
};

struct SweepReport {
    // Allocations counted in the window of the run without failures.
    long allocations{0};
    std::vector<SweepMode> modes;
    // One entry per failed run: the mode, N and how it ended.
    std::vector<std::string> failures;
    double seconds{0};
    std::string text;
};

struct SweptRun {
    ProcessOutcome process;
    SweepReport report;
};

// Runs `program` once under the sweep, which fails allocations in its windows around each load
// of libvelorin.so; `stopStatuses` are the exit statuses with which the program may stop its own
// work when it runs out of memory. The report file goes into `scratch`.
SweptRun runAllocationSweep(const std::string& sweepLibrary, const std::string& program,
                            std::vector<std::string> arguments,
                            const std::filesystem::path& scratch,
                            std::vector<std::string> settings = {},
                            const std::string& stopStatuses = "");

// Writes the sequence the swept hosts play: three small frames and `options` as its
// options.json, in the folder "sweep" of the root's sequences.
void writeSweptSequence(const TemporaryDeviceRoot& root, std::string_view options);

// The report as a table, for the test's output.
std::string describeSweep(const SweepReport& report);

// Whether the sweep ended well: the program ended with status 0, the run without failures was
// real work (more than 100 allocations), and in each mode every N up to two past the last
// allocation was tried, none failed and some ran unchanged.
::testing::AssertionResult sweepPassed(const SweptRun& swept);

} // namespace velorin::testing
