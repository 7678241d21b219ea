// Reading scenarios: every fault stops the reading at its line, and a good scenario gives
// exactly what it says, with the defaults for what it leaves out.
#include "sim/ScenarioReader.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <ostream>
#include <string>

namespace velorin::sim {
namespace {

struct FaultCase {
    const char* text;
    int line;
    const char* message;
};

// Names each case in the test listing by the message it expects, not by its bytes.
void PrintTo(const FaultCase& fault, std::ostream* out) {
    *out << "line " << fault.line << ", " << fault.message;
}

class ScenarioFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ScenarioFaultTest, StopsAtTheFaultyLineWithAMessage) {
    const FaultCase& fault = GetParam();
    auto result = readScenario(fault.text);
    ASSERT_FALSE(result.ok()) << fault.text;
    const common::Fault& found = result.fault();
    EXPECT_EQ(found.line, fault.line) << fault.text;
    EXPECT_NE(found.message.find(fault.message), std::string::npos) << "message: " << found.message;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ScenarioFaultTest,
    ::testing::Values(
        FaultCase{"profile modern\nfrobnicate\n", 2, "unknown statement \"frobnicate\""},
        FaultCase{"at 1 explode\n", 1, "unknown event \"explode\""},
        FaultCase{"at one launch\n", 1, "bad time \"one\""},
        FaultCase{"at -1 launch\n", 1, "bad time \"-1\""},
        FaultCase{"at 1.0000000001 launch\n", 1, "at most nine decimals"},
        FaultCase{"at 99999999999 launch\n", 1, "too large"},
        FaultCase{"at 2 lock\n\nat 1.5 unlock\n", 3,
                  "time goes backwards: 1.5 comes after 2 on line 1"},
        FaultCase{"at 1 lock\nprofile legacy\n", 2, "comes after the first timed event"},
        FaultCase{"profile modern\nprofile legacy\n", 2, "already set on line 1"},
        FaultCase{"profile ancient\n", 1, "profile must be modern, legacy or all"},
        FaultCase{"lacks SBFancyController\n", 1, "unknown host class \"SBFancyController\""},
        FaultCase{"lacks UIDevice\n", 1, "every host has UIDevice"},
        FaultCase{"screen 390by844\n", 1, "bad screen size"},
        FaultCase{"screen 0x844\n", 1, "above zero"},
        FaultCase{"autolock 0\n", 1, "above zero, or never"},
        FaultCase{"locked maybe\n", 1, "locked must be yes or no"},
        FaultCase{"power on off\n", 1, "unexpected \"off\""},
        FaultCase{"bundle\n", 1, "missing bundle identifier"},
        FaultCase{"pref enablebatteryanimation yes\n", 1, "bad value \"yes\""},
        FaultCase{"pref batteryanimation \"open\n", 1, "no closing double quote"},
        FaultCase{"pref batteryanimation \"a\" b\n", 1, "unexpected \"b\" after the string"},
        // A word in a message is quoted as a scenario string is written.
        FaultCase{"pref batteryanimation \"a\" \"b\\c\"\n", 1,
                  R"(unexpected "\"b\\c\"" after the string)"},
        FaultCase{"pref count 99999999999999999999\n", 1, "out of range"},
        FaultCase{"pref count\n", 1, "missing value"},
        FaultCase{"at 0 launch\nat 1 launch\n", 2, "launches only once"},
        // What follows the end is read all the same.
        FaultCase{"at 1 end\nat 2 sneeze\n", 2, "unknown event"},
        FaultCase{"at 1 end\nat 0.5 lock\n", 2, "time goes backwards"},
        FaultCase{"at 1 wake sleepily\n", 1, "wake takes nothing or nowaking"},
        FaultCase{"at 1 chargingview flash\n", 1, "chargingview must be show or hide"},
        FaultCase{"at 1 touch 10\n", 1, "missing y coordinate"},
        FaultCase{"at 1 touch 10 1e3\n", 1, "bad coordinate \"1e3\""},
        FaultCase{"at 1 lock now\n", 1, "unexpected \"now\""}, FaultCase{"at\n", 1, "missing time"},
        FaultCase{"version ok\nversion \xC3\x28\n", 2, "not UTF-8"}));

TEST(ScenarioReaderTest, AnEmptyScenarioHasEveryDefault) {
    auto result = readScenario("# nothing but a comment\n\n   \n");
    ASSERT_TRUE(result.ok());
    const Scenario& scenario = result.value();
    const HostSetup& setup = scenario.setup;
    EXPECT_EQ(setup.profile, HostProfile::Modern);
    EXPECT_TRUE(setup.lackingClasses.empty());
    EXPECT_EQ(setup.systemVersion, "14.4");
    EXPECT_EQ(setup.bundleIdentifier, "com.apple.springboard");
    EXPECT_EQ(setup.screen, (platform::CGSize{390, 844}));
    EXPECT_EQ(setup.autolockNanoseconds, 30 * nanosecondsPerSecond);
    EXPECT_TRUE(setup.locked);
    EXPECT_FALSE(setup.onPower);
    EXPECT_TRUE(setup.preferences.empty());
    EXPECT_TRUE(scenario.events.empty());
    // With no events the run lasts the quiet time after time zero.
    EXPECT_EQ(scenario.endTime(), runAfterLastEventNanoseconds);
}

TEST(ScenarioReaderTest, ReadsEveryStatementAndEvent) {
    std::ifstream file(std::string(VELORIN_TEST_DATA_DIR) + "/sim/data/every-statement.scenario");
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    auto result = readScenario(text);
    ASSERT_TRUE(result.ok()) << *result.fault().line << ": " << result.fault().message;
    const Scenario& scenario = result.value();
    const HostSetup& setup = scenario.setup;
    EXPECT_EQ(setup.profile, HostProfile::All);
    EXPECT_EQ(setup.lackingClasses,
              (std::set<std::string>{"SBDashBoardViewController", "SBIdleTimerGlobalCoordinator"}));
    EXPECT_EQ(setup.systemVersion, "10.3.3 beta");
    EXPECT_EQ(setup.bundleIdentifier, "com.example.other");
    EXPECT_EQ(setup.screen, (platform::CGSize{320.5, 568}));
    EXPECT_EQ(setup.autolockNanoseconds, 12'250'000'000u);
    EXPECT_FALSE(setup.locked);
    EXPECT_TRUE(setup.onPower);
    using platform::PropertyValue;
    ASSERT_EQ(setup.preferences.size(), 5u);
    EXPECT_EQ(setup.preferences[1].second,
              PropertyValue::string("spin # not a comment \"quoted\""));
    EXPECT_EQ(setup.preferences[2].second, PropertyValue::integer(-42));
    EXPECT_EQ(setup.preferences[3].second, PropertyValue::real(0.5));
    EXPECT_EQ(setup.preferences[4].second, PropertyValue::boolean(false));

    const auto& events = scenario.events;
    ASSERT_EQ(events.size(), 17u);
    EXPECT_EQ(events[1].text, "lock");
    EXPECT_EQ(events[1].line, 18);
    EXPECT_EQ(events[1].time, 500'000'000u);
    EXPECT_EQ(events[4].time, 1'000'000'001u);
    EXPECT_EQ(events[6].wake, WakeKind::Waking);
    EXPECT_EQ(events[7].wake, WakeKind::NotWaking);
    EXPECT_EQ(events[7].text, "wake nowaking");
    EXPECT_EQ(events[10].kind, EventKind::ShowChargingView);
    EXPECT_EQ(events[11].kind, EventKind::HideChargingView);
    EXPECT_EQ(events[12].key, "loopbatteryanimation");
    EXPECT_EQ(events[12].value, PropertyValue::integer(2));
    EXPECT_EQ(events[13].kind, EventKind::UnsetPreference);
    EXPECT_EQ(events[15].point, (platform::CGPoint{-1.5, 20}));
    EXPECT_EQ(events[16].kind, EventKind::End);
    EXPECT_TRUE(scenario.launches());
    EXPECT_EQ(scenario.endTime(), 9 * nanosecondsPerSecond);
}

TEST(ScenarioReaderTest, StatementsAfterTheEndAndClassesTheProfileLacksChangeNothing) {
    auto result = readScenario("lacks SBDashBoardViewController\nprofile modern\n"
                               "at 1 plug\nat 2 end\nat 3 unplug\nat 4 end\n");
    ASSERT_TRUE(result.ok()) << result.fault().message;
    const Scenario& scenario = result.value();
    ASSERT_EQ(scenario.events.size(), 2u);
    EXPECT_EQ(scenario.events[1].kind, EventKind::End);
    EXPECT_EQ(scenario.endTime(), 2 * nanosecondsPerSecond);
    EXPECT_EQ(scenario.setup.lackingClasses, std::set<std::string>{"SBDashBoardViewController"});
}

TEST(ScenarioReaderTest, AcceptsWindowsLineEndsAByteOrderMarkAndEmptyValues) {
    auto result = readScenario("\xEF\xBB\xBFversion\r\nbundle none\r\nautolock never\r\n"
                               "at 2 lock\r\nat 2 unlock");
    ASSERT_TRUE(result.ok()) << result.fault().message;
    const Scenario& scenario = result.value();
    EXPECT_EQ(scenario.setup.systemVersion, "");
    EXPECT_FALSE(scenario.setup.bundleIdentifier);
    EXPECT_FALSE(scenario.setup.autolockNanoseconds);
    ASSERT_EQ(scenario.events.size(), 2u);
    EXPECT_EQ(scenario.events[1].text, "unlock");
    EXPECT_FALSE(scenario.launches());
    // Without an end the run lasts ten seconds past the last event.
    EXPECT_EQ(scenario.endTime(), 12 * nanosecondsPerSecond);
}

} // namespace
} // namespace velorin::sim
