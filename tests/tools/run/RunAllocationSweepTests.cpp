// One failed allocation never stops the simulated host: velorin-sim runs a short scenario
// (launch, which reads a binary preference list; lock; the settings notification, which reads
// it again; plugging in and a whole showing with an options file; unplugging) once for every
// allocation from the extension's load to its unload failing, and once for every allocation
// from one on failing. The scenario edits no preference: the simulator writes its lists with
// libplist, which the tools keep, and which does not survive a failed allocation. Every run must
// end within seconds, as the run without failures ended or with velorin-sim's own out-of-memory
// message, never by a signal, and (in the sanitizer build) with nothing leaked.
#include "tests/support/AllocationSweepRun.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>
#include <iostream>

namespace velorin::tools {
namespace {

using platform::PropertyValue;

TEST(RunAllocationSweepTest, NoFailedAllocationStopsTheSimulatedHostOrLeaks) {
    testing::TemporaryDeviceRoot root;
    testing::writeSweptSequence(root, R"({"width": 100, "x": "center", "y": "bottom"})");
    root.writePreferences("com.tarnwick.velorin",
                          {{"enablebatteryanimation", PropertyValue::boolean(true)},
                           {"batteryanimation", PropertyValue::string("sweep")}},
                          testing::PropertyListFormat::Binary);
    root.writeFile("scenario", "profile modern\n"
                               "at 0 launch\n"
                               "at 0.5 lock\n"
                               "at 1 notify\n"
                               "at 1 present\n"
                               "at 1.5 plug\n"
                               "at 6 unplug\n"
                               "at 7 end\n");

    testing::TemporaryDeviceRoot scratch;
    std::filesystem::create_directories(scratch.path() / "home");
    std::filesystem::create_directories(scratch.path() / "tmp");
    const std::vector<std::string> settings{
        "HOME=" + (scratch.path() / "home").string(),
        "XDG_DATA_HOME=" + (scratch.path() / "home/data").string(),
        "VELORIN_ROOT=" + (scratch.path() / "user-root").string(),
        "TMPDIR=" + (scratch.path() / "tmp").string()};
    // velorin-sim stops a command that runs out of memory with a message and status 2.
    auto swept = testing::runAllocationSweep(
        VELORIN_ALLOCATION_SWEEP_PATH, VELORIN_SIM_PATH,
        {"run", root.hostPath("scenario").string(), "--root", root.path().string()}, scratch.path(),
        settings, "2");
    std::cout << testing::describeSweep(swept.report);
    EXPECT_TRUE(testing::sweepPassed(swept));
    // Nothing a run made was left in the scratch's temporary folder.
    EXPECT_TRUE(std::filesystem::is_empty(scratch.path() / "tmp"));
}

} // namespace
} // namespace velorin::tools
