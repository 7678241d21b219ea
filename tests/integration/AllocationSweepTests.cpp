// One failed allocation never stops the host: a host written in C loads the extension, reads an
// XML and then a binary preference list, builds the lock-screen container, plugs in, plays and
// ends a showing with an options file, unplugs and unloads, once for every allocation of that
// work failing, and once for every allocation from one on failing. Every run must end as the
// host ends, within seconds, with the extension working or inert, and (in the sanitizer build)
// with nothing leaked.
#include "platform/PropertyList.h"
#include "tests/support/AllocationSweepRun.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>
#include <iostream>

namespace velorin {
namespace {

using platform::PropertyValue;

TEST(AllocationSweepTest, NoFailedAllocationStopsAHostInCOrLeaks) {
    testing::TemporaryDeviceRoot root;
    testing::writeSweptSequence(
        root, R"({"width": 100, "height": 60, "x": "center", "y": "bottom", "animationDuration": 1})");
    // The lists differ, so that the second load is seen: the XML one hides nothing, the binary
    // one chooses the sequence and hides the host's charging view.
    platform::PropertyListDictionary xml;
    xml.set("enablebatteryanimation", PropertyValue::boolean(true));
    xml.set("batteryanimation", PropertyValue::string("elsewhere"));
    xml.set("hidebattery", PropertyValue::boolean(false));
    platform::PropertyListDictionary binary;
    binary.set("enablebatteryanimation", PropertyValue::boolean(true));
    binary.set("batteryanimation", PropertyValue::string("sweep"));
    binary.set("loopbatteryanimation", PropertyValue::integer(0));
    root.writeFile("lists/xml/com.tarnwick.velorin.plist",
                   *xml.write(platform::PropertyListFormat::Xml));
    root.writeFile("lists/bin/com.tarnwick.velorin.plist",
                   *binary.write(platform::PropertyListFormat::Binary));

    testing::TemporaryDeviceRoot scratch;
    auto swept = testing::runAllocationSweep(
        VELORIN_ALLOCATION_SWEEP_PATH, VELORIN_ALLOCATION_SWEEP_HOST_PATH,
        {VELORIN_LIBRARY_PATH, root.path().string()}, scratch.path());
    std::cout << testing::describeSweep(swept.report);
    EXPECT_EQ(swept.process.status, 0) << swept.process.err << swept.report.text;
    EXPECT_TRUE(swept.report.failures.empty());
    // The run without failures showed the sequence: the sweep swept real work.
    EXPECT_GT(swept.report.allocations, 100);
    ASSERT_EQ(swept.report.modes.size(), 2u) << swept.report.text;
    for (const auto& mode : swept.report.modes) {
        EXPECT_EQ(mode.tried, swept.report.allocations + 2);
        EXPECT_EQ(mode.failed, 0) << mode.name;
        EXPECT_GT(mode.unchanged, 0) << mode.name;
    }
}

} // namespace
} // namespace velorin
