// The commands of velorin-sim, one row each in a table (tools/CommandTable.cpp) from which the
// program, its help, its command list and its guess at a misspelt command are all made.
//
// A command lives in a folder of its own under tools/ and gives one function that adds its
// options to its parser and answers how to run it with their values; adding a command is that
// folder and one row of the table.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace velorin::tools {

// Runs a command whose options are parsed; gives its exit status.
using CommandRun = std::function<int()>;

struct Command {
    const char* name;
    // One line, for the command list and the command's own help.
    const char* summary;
    // Adds the command's options to its parser, and gives how to run it with their values.
    CommandRun (*addOptions)(CLI::App& command);
    // The option a word after the command's own arguments is most likely meant for, for the
    // guess in the message about it (`install DIR NAME` means `--as NAME`); null when none is.
    const char* extraWordOption{nullptr};
};

// Every command, in the order the command list gives them.
std::span<const Command> commandTable();
// Their names, in that order.
std::vector<std::string> commandNames();
// The command list as help prints it: a line per command with its summary.
std::string commandList();

} // namespace velorin::tools
