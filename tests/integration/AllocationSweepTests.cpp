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

// The root the C host plays: the sequence, and an XML and a binary list that differ, so that
// the second load is seen (the XML one chooses a sequence that is not there and shows the
// host's charging view; the binary one chooses the sequence and hides it).
void writeHostRoot(const testing::TemporaryDeviceRoot& root) {
    testing::writeSweptSequence(
        root, R"({"width": 100, "height": 60, "x": "center", "y": "bottom", "animationDuration": 1})");
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
}

TEST(AllocationSweepTest, TheSweepCatchesAHostThatDoesNotCheckAnAllocation) {
    testing::TemporaryDeviceRoot root;
    writeHostRoot(root);
    testing::TemporaryDeviceRoot scratch;
    auto swept = testing::runAllocationSweep(
        VELORIN_ALLOCATION_SWEEP_PATH, VELORIN_ALLOCATION_SWEEP_HOST_PATH,
        {VELORIN_LIBRARY_PATH, root.path().string(), "careless"}, scratch.path());
    EXPECT_FALSE(testing::sweepPassed(swept));
    EXPECT_EQ(swept.process.status, 1);
    // Stopped by the null pointer it did not check, or by the sanitizer that caught it: once
    // when only that allocation fails, and in every run that loaded the extension and fails it
    // among the rest.
    ASSERT_EQ(swept.report.modes.size(), 2u) << swept.report.text;
    EXPECT_EQ(swept.report.modes[0].failed, 1);
    EXPECT_GT(swept.report.modes[1].failed, 1);
}

TEST(AllocationSweepTest, NoFailedAllocationStopsAHostInCOrLeaks) {
    testing::TemporaryDeviceRoot root;
    writeHostRoot(root);
    testing::TemporaryDeviceRoot scratch;
    auto swept = testing::runAllocationSweep(
        VELORIN_ALLOCATION_SWEEP_PATH, VELORIN_ALLOCATION_SWEEP_HOST_PATH,
        {VELORIN_LIBRARY_PATH, root.path().string()}, scratch.path());
    std::cout << testing::describeSweep(swept.report);
    EXPECT_TRUE(testing::sweepPassed(swept));
}

} // namespace
} // namespace velorin
