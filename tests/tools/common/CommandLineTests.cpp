// The command line around the commands: a misspelt command, help, --root before the command,
// and every message in the tool's own voice.
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SimProcess.h"
#include "tools/common/CommandLine.h"
#include "tools/common/Commands.h"

#include <gtest/gtest.h>
#include <set>

namespace velorin::tools {
namespace {

const std::vector<std::string> commands{"settings", "check", "run",    "prefs",
                                        "preview",  "soak",  "import", "root"};

TEST(CommandLineTest, AWordThatNamesNoCommandGetsTheNearestOne) {
    EXPECT_EQ(nearestCommand("chek", commands), "check");
    EXPECT_EQ(nearestCommand("prev", commands), "preview");
    EXPECT_EQ(nearestCommand("settngs", commands), "settings");
    EXPECT_EQ(nearestCommand("frobnicate", commands), std::nullopt);

    auto arranged = arrangeArguments({"velorin-sim", "chek", "DIR"}, commands);
    EXPECT_EQ(arranged.action, ArrangedArguments::Action::UnknownCommand);
    EXPECT_EQ(arranged.unknownWord, "chek");
    EXPECT_EQ(arrangeArguments({"velorin-sim", "help", "chek"}, commands).action,
              ArrangedArguments::Action::UnknownCommand);
    EXPECT_EQ(arrangeArguments({"velorin-sim"}, commands).action,
              ArrangedArguments::Action::MissingCommand);
}

TEST(CommandLineTest, RootMayComeBeforeTheCommandAndHelpNamesOne) {
    EXPECT_EQ(arrangeArguments({"velorin-sim", "--root", "R", "prefs", "get"}, commands).arguments,
              (std::vector<std::string>{"velorin-sim", "prefs", "--root", "R", "get"}));
    EXPECT_EQ(arrangeArguments({"velorin-sim", "--root=R", "settings"}, commands).arguments,
              (std::vector<std::string>{"velorin-sim", "settings", "--root=R"}));
    EXPECT_EQ(arrangeArguments({"velorin-sim", "help", "check"}, commands).arguments,
              (std::vector<std::string>{"velorin-sim", "check", "--help"}));
    EXPECT_EQ(arrangeArguments({"velorin-sim", "help"}, commands).action,
              ArrangedArguments::Action::ShowHelp);
    EXPECT_EQ(arrangeArguments({"velorin-sim", "--version"}, commands).action,
              ArrangedArguments::Action::ShowVersion);
}

TEST(CommandLineTest, TheToolGuidesAsItSpeaks) {
    testing::TemporaryDeviceRoot scratch;
    auto misspelt = testing::runVelorinSim(scratch.path(), {"chek", "DIR"});
    EXPECT_EQ(misspelt.status, 2);
    EXPECT_TRUE(misspelt.err.starts_with(
        "velorin-sim: unknown command \"chek\"; did you mean `check`?\nCommands:\n"))
        << misspelt.err;

    auto parserFault = testing::runVelorinSim(scratch.path(), {"settings", "--bogus"});
    EXPECT_EQ(parserFault.status, 2);
    EXPECT_TRUE(parserFault.err.starts_with("velorin-sim: ")) << parserFault.err;

    auto help = testing::runVelorinSim(scratch.path(), {"help"});
    EXPECT_EQ(help.status, 0);
    for (const std::string& command : commands)
        EXPECT_NE(help.out.find("  " + command + " "), std::string::npos) << command;

    auto version = testing::runVelorinSim(scratch.path(), {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find("libvelorin.so.0"), std::string::npos) << version.out;
    EXPECT_NE(version.out.find("libpng "), std::string::npos) << version.out;
}

TEST(CommandTableTest, EveryRowIsOneCommandWithItsSummaryAsItsHelp) {
    testing::TemporaryDeviceRoot scratch;
    std::set<std::string> names;
    for (const Command& row : commandTable()) {
        EXPECT_TRUE(names.insert(row.name).second) << row.name << " has two rows";
        auto help = testing::runVelorinSim(scratch.path(), {"help", row.name});
        EXPECT_EQ(help.status, 0) << row.name << help.err;
        EXPECT_TRUE(help.out.starts_with(std::string(row.summary) + "\n")) << help.out;
        EXPECT_NE(commandList().find("  " + std::string(row.name) + " "), std::string::npos);
    }
}

} // namespace
} // namespace velorin::tools
