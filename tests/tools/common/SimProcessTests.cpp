// The programs the tests run never see the home of whoever runs the tests: each gets HOME,
// XDG_DATA_HOME, VELORIN_ROOT and TMPDIR in its test's scratch folder, once each, unless the
// test names them itself.
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SimProcess.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>

namespace velorin::testing {
namespace {

namespace fs = std::filesystem;

// Each name the environment printed by env(1) gives, with every value it has.
std::multimap<std::string, std::string> settingsOf(const std::string& output) {
    std::multimap<std::string, std::string> settings;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::size_t equals = line.find('=');
        if (equals != std::string::npos)
            settings.emplace(line.substr(0, equals), line.substr(equals + 1));
    }
    return settings;
}

TEST(SimProcessTest, AProgramATestRunsHasAHomeOfItsOwnOnceEach) {
    TemporaryDeviceRoot scratch;
    fs::path chosen = scratch.path() / "chosen-tmp";
    auto outcome = runProcess("/usr/bin/env", {}, scratch.path(), {"TMPDIR=" + chosen.string()});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    auto settings = settingsOf(outcome.out);
    const std::map<std::string, fs::path> expected{
        {"HOME", scratch.path() / "home"},
        {"XDG_DATA_HOME", scratch.path() / "home/.local/share"},
        {"VELORIN_ROOT", scratch.path() / "user-root"},
        {"TMPDIR", chosen},
    };
    for (const auto& [name, path] : expected) {
        SCOPED_TRACE(name);
        ASSERT_EQ(settings.count(name), 1u);
        EXPECT_EQ(settings.find(name)->second, path.string());
    }
    EXPECT_TRUE(fs::is_directory(scratch.path() / "home"));
    EXPECT_FALSE(fs::exists(scratch.path() / "tmp")) << "the test chose its own";

    // velorin-sim makes the user's root it is given there, and nowhere else.
    auto root = runVelorinSim(scratch.path(), {"root"});
    ASSERT_EQ(root.status, 0) << root.err;
    EXPECT_EQ(root.out, (scratch.path() / "user-root").string() + "\n");
}

TEST(SimProcessTest, TheTestProcessItselfRunsInAScratchHome) {
    for (const char* name : {"HOME", "XDG_DATA_HOME", "VELORIN_ROOT", "TMPDIR"}) {
        SCOPED_TRACE(name);
        const char* value = std::getenv(name);
        ASSERT_NE(value, nullptr);
        EXPECT_NE(std::string(value).find("/velorin-tests-"), std::string::npos) << value;
    }
}

} // namespace
} // namespace velorin::testing
