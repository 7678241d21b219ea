// The command line around the commands: a misspelt command, help, --root before the command,
// and every message in the tool's own voice.
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SimProcess.h"
#include "tools/common/CommandLine.h"
#include "tools/common/Commands.h"
#include "tools/common/NearestName.h"

#include <gtest/gtest.h>
#include <set>

namespace velorin::tools {
namespace {

const std::vector<std::string> commands{"settings", "check", "run",    "prefs",
                                        "preview",  "soak",  "import", "root"};

TEST(CommandLineTest, AWordThatNamesNoCommandGetsTheNearestOne) {
    EXPECT_EQ(likelyMeant("chek", commands), "check");
    EXPECT_EQ(likelyMeant("prev", commands), "preview");
    EXPECT_EQ(likelyMeant("settngs", commands), "settings");
    EXPECT_EQ(likelyMeant("frobnicate", commands), std::nullopt);
    // Two edits reach almost any short word, so a short one gets a guess only one edit away.
    EXPECT_EQ(likelyMeant("--fsp", {"--fps", "--out"}), "--fps");
    EXPECT_EQ(likelyMeant("xy", {"xz", "gzip"}), "xz");
    EXPECT_EQ(likelyMeant("ab", {"xz", "gzip"}), std::nullopt);
    EXPECT_EQ(didYouMean("centre", {"center", "right"}), "; did you mean `center`?");
    EXPECT_EQ(didYouMean("middle", {"center", "right"}), "");

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

// Each mistyped word gets the guess, named in the words the user typed, whatever kind of word
// it is; nothing is written on the way.
TEST(CommandLineTest, EveryMistypedWordGetsAGuess) {
    testing::TemporaryDeviceRoot scratch;
    struct Case {
        std::vector<std::string> arguments;
        std::string said;
    };
    const std::vector<Case> cases{
        {{"import", "ring.gif", "--fsp", "12"},
         "velorin-sim: import: unknown option `--fsp`; did you mean `--fps`?\n"},
        {{"import", "ring.gif", "--fsp=12"}, "unknown option `--fsp`; did you mean `--fps`?"},
        {{"prefs", "sett", "hidebattery", "true"},
         "velorin-sim: prefs: unknown action `sett`; did you mean `set`? (prefs takes get, set or "
         "unset)\n"},
        {{"prefs", "set", "hidebattery", "true", "--rot", "R"},
         "prefs set: unknown option `--rot`; did you mean `--root`?"},
        {{"install", "ring", "myring"},
         "velorin-sim: install: unexpected argument `myring`; did you mean `--as myring`?\n"},
        {{"import", "ring.gif", "--x", "centre"},
         "velorin-sim: --x centre: expected center, right or a number of points; did you mean "
         "`center`?\n"},
        {{"import", "ring.gif", "--y", "botom"}, "did you mean `bottom`?"},
        {{"preview", "--listing", "shufled"}, "did you mean `shuffled`?"},
        {{"pack", "ring", "--compression", "gz"}, "expected xz or gzip; did you mean `gzip`?"},
        {{"prefs", "get", "hidebatery"},
         "velorin-sim: unknown key \"hidebatery\"; did you mean `hidebattery`? (known keys: "},
        {{"prefs", "set", "hidebattery", "ture"},
         "velorin-sim: \"hidebattery\" takes true or false (or yes, no, 1, 0), not \"ture\"; did "
         "you mean `true`?\n"},
    };
    for (const Case& mistake : cases) {
        auto outcome = testing::runVelorinSim(scratch.path(), mistake.arguments);
        EXPECT_EQ(outcome.status, 2) << mistake.arguments.front() << outcome.err;
        EXPECT_NE(outcome.err.find(mistake.said), std::string::npos) << outcome.err;
        // A fault about a key or an argument is not a fault of the preference list.
        EXPECT_EQ(outcome.err.find(".plist"), std::string::npos) << outcome.err;
    }
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
