// The real extension inside a simulated host in this process, as the preview renderer and the
// soak test drive it: loaded at launch, unloaded when the host goes, and loaded afresh by the
// next host with none of the previous host's state.
#include "platform/Runtime.h"
#include "settings/Settings.h"
#include "sim/ExtensionLoader.h"
#include "sim/SimulatedHost.h"
#include "tests/support/FrameImages.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velorin::sim {
namespace {

using platform::PropertyValue;

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(ExtensionInProcessTest, ASecondHostLoadsTheExtensionAfreshAfterTheFirstIsGone) {
    testing::TemporaryDeviceRoot root;
    for (int frame = 0; frame < 3; ++frame) {
        root.writeFile("var/jb/vod/Library/Velorin/chargingSequences/particlespin/" +
                           std::to_string(frame) + ".png",
                       testing::solidPng(8, 8, static_cast<std::uint8_t>(frame)));
    }
    HostEnvironment environment{root.path().string(), defaultExtensionLibrary()};
    std::vector<std::string> lines;
    auto sink = [&lines](std::string_view line) { lines.emplace_back(line); };

    HostSetup keepingAwake;
    keepingAwake.preferences = {{"enablebatteryanimation", PropertyValue::boolean(true)},
                                {"loopbatteryanimation", PropertyValue::boolean(true)},
                                {"nosleepbatteryanimation", PropertyValue::boolean(true)}};
    {
        auto started = SimulatedHost::start(keepingAwake, environment, sink);
        ASSERT_TRUE(started.ok()) << started.fault().text();
        SimulatedHost& first = *started.value();
        ASSERT_TRUE(first.launch().ok());
        first.lock();
        first.plug();
        // After the first showing the extension holds the screen awake and drops dimming.
        first.advanceTo(4'500'000'000);
        first.dim();
        EXPECT_FALSE(first.device().screenIsDim());
        ASSERT_EQ(first.page()->subviews().size(), 2u);
        EXPECT_EQ(first.viewName(first.page()->subviews().back().get()), "UIView#1");
        EXPECT_TRUE(contains(lines, "4.500 hook SBBacklightController "
                                    "setBacklightFactorPending: dropped"));
    }
    EXPECT_EQ(objc_getClass("SBBacklightController"), nullptr);

    lines.clear();
    HostSetup plain;
    plain.preferences = {{"enablebatteryanimation", PropertyValue::boolean(true)}};
    auto started = SimulatedHost::start(plain, environment, sink);
    ASSERT_TRUE(started.ok()) << started.fault().text();
    SimulatedHost& second = *started.value();
    ASSERT_TRUE(second.launch().ok());
    second.dim();
    // A fresh load: nothing holds the screen awake, and the first page update builds the
    // first container of this process's new extension.
    EXPECT_TRUE(second.device().screenIsDim());
    second.lock();
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "0.000 ask NSBundle bundleIdentifier \"com.apple.springboard\"",
                         "0.000 hook SpringBoard applicationDidFinishLaunching: passed",
                         "0.000 ask SBLockScreenManager isUILocked 1",
                         "0.000 ask SBBacklightController screenIsDim 0",
                         "0.000 hook SBBacklightController setBacklightFactorPending: passed",
                         "0.000 backlight 0.1",
                         "0.000 view UIView#1 alpha 0",
                         "0.000 view UIView#1 added page frame=0,0,390,844",
                         "0.000 hook CSMainPageView updateForPresentation: passed",
                     }));
}

} // namespace
} // namespace velorin::sim
