// velorin-sim settings, end to end: the settings the extension loads, and the reason when they
// are all defaults because the preference list was refused.
#include "settings/Settings.h"
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SimProcess.h"
#include "tools/prefs/PreferenceEditor.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

constexpr const char* defaults = "enablebatteryanimation=false\n"
                                 "batteryanimation=particlespin\n"
                                 "loopbatteryanimation=false\n"
                                 "nosleepbatteryanimation=false\n"
                                 "showbatteryanimationonwake=false\n"
                                 "hidebattery=true\n";

TEST(SettingsCommandTest, ARefusedListGivesTheDefaultsAndSaysWhy) {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot scratch;
    std::string file = preferenceFileUnderRoot(root.path().string());
    root.writePreferences(preferenceDomain,
                          {{"enablebatteryanimation", platform::PropertyValue::boolean(true)}});
    fs::resize_file(file, std::uintmax_t{64} << 30);
    auto huge =
        testing::runVelorinSim(scratch.path(), {"settings", "--root", root.path().string()});
    EXPECT_EQ(huge.status, 0);
    EXPECT_EQ(huge.out, defaults);
    EXPECT_EQ(huge.err, "velorin-sim: " + file +
                            ": is 64 GiB, larger than the 1 MiB the extension reads; the extension "
                            "reads no keys from it, so every setting has its default\n");

    root.writePreferenceFile(preferenceDomain, "<plist><array><true/></array></plist>");
    auto array =
        testing::runVelorinSim(scratch.path(), {"settings", "--root", root.path().string()});
    EXPECT_EQ(array.status, 0);
    EXPECT_EQ(array.out, defaults);
    EXPECT_THAT(array.err, HasSubstr("something other than a dictionary"));

    auto get =
        testing::runVelorinSim(scratch.path(), {"prefs", "get", "--root", root.path().string()});
    EXPECT_EQ(get.status, 2);
    EXPECT_EQ(get.out, "");
    EXPECT_THAT(get.err, HasSubstr(file + ": holds something other than a dictionary"));
}

TEST(SettingsCommandTest, AReadableListIsPrintedWithoutANote) {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot scratch;
    root.writePreferences(preferenceDomain,
                          {{"enablebatteryanimation", platform::PropertyValue::boolean(true)}});
    auto read =
        testing::runVelorinSim(scratch.path(), {"settings", "--root", root.path().string()});
    EXPECT_EQ(read.status, 0);
    EXPECT_THAT(read.out, HasSubstr("enablebatteryanimation=true\n"));
    EXPECT_EQ(read.err, "");
}

} // namespace
} // namespace velorin::tools
