// The manual page and the shell completions are made from the parser's own definitions: every
// command, action and option that `--help` gives is in each of them.
#include "tools/common/CommandOutline.h"
#include "tools/common/Commands.h"
#include "tools/common/ManualPage.h"
#include "tools/common/ShellCompletion.h"

#include <CLI/CLI.hpp>
#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

// The parser as velorin-sim builds it, from the command table.
std::vector<CommandOutline> outlineOfTheProgram() {
    CLI::App application{"velorin-sim: a simulated lock screen", "velorin-sim"};
    for (const Command& row : commandTable())
        row.addOptions(*application.add_subcommand(row.name, row.summary));
    return outlineCommands(application);
}

std::string roffName(const std::string& name) {
    std::string escaped;
    for (char character : name)
        escaped += character == '-' ? std::string("\\-") : std::string(1, character);
    return escaped;
}

TEST(CommandDocumentsTest, EveryCommandActionAndOptionIsInThePageAndEachCompletion) {
    auto commands = outlineOfTheProgram();
    ASSERT_EQ(commands.size(), commandTable().size());
    std::string page = manualPage("a simulated lock screen", commands);
    std::string bash = completionScript(Shell::Bash, commands);
    std::string zsh = completionScript(Shell::Zsh, commands);
    std::string fish = completionScript(Shell::Fish, commands);
    EXPECT_TRUE(page.starts_with(".TH VELORIN\\-SIM 1 "));
    EXPECT_TRUE(zsh.starts_with("#compdef velorin-sim\n"));
    EXPECT_NE(bash.find("complete -o filenames -F _velorin_sim velorin-sim\n"), std::string::npos);
    bool sawAction = false;
    for (const CommandOutline& command : commands) {
        EXPECT_NE(page.find(".SS \"velorin\\-sim " + command.name), std::string::npos)
            << command.name;
        EXPECT_NE(bash.find("        " + command.name + ")\n"), std::string::npos);
        EXPECT_NE(zsh.find("                " + command.name + ")\n"), std::string::npos);
        EXPECT_NE(fish.find("__fish_use_subcommand -a " + command.name + " "), std::string::npos);
        std::vector<const CommandOutline*> levels{&command};
        for (const CommandOutline& action : command.actions) {
            levels.push_back(&action);
            sawAction = true;
            EXPECT_NE(page.find(".SS \"velorin\\-sim " + command.name + " " + action.name),
                      std::string::npos);
        }
        for (const CommandOutline* level : levels) {
            for (const OptionOutline& option : level->options) {
                const std::string& name = option.names.front();
                EXPECT_NE(page.find("\\fB" + roffName(name) + "\\fR"), std::string::npos) << name;
                EXPECT_NE(bash.find(name), std::string::npos) << name;
                EXPECT_NE(zsh.find("'" + name + "["), std::string::npos) << name;
                EXPECT_NE(fish.find(" -l " + name.substr(2)), std::string::npos) << name;
            }
        }
    }
    EXPECT_TRUE(sawAction) << "prefs has its actions";
    // A description's own quotes and brackets do not end the shells' words early.
    EXPECT_EQ(zsh.find("source's"), std::string::npos);
}

} // namespace
} // namespace velorin::tools
