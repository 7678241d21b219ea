// velorin-sim's commands as the parser defines them, laid out for the documents made from the
// same definitions as `--help`: the manual page and the shell completions
// (tools/common/ManualPage.h, tools/common/ShellCompletion.h). Because they are read from the
// parser, an option added to a command appears in its help, its manual page and its
// completion at once.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace velorin::tools {

struct OptionOutline {
    // Its long and short names with their dashes: "--root", "-h".
    std::vector<std::string> names;
    // What it takes, as the parser names it ("TEXT", "FLOAT"); empty for a flag.
    std::string valueName;
    std::string description;
};

struct PositionalOutline {
    std::string name;
    std::string description;
    bool required{false};
    // Takes any number of words.
    bool many{false};
};

struct CommandOutline {
    std::string name;
    std::string summary;
    std::string footer;
    std::vector<PositionalOutline> positionals;
    std::vector<OptionOutline> options;
    // A command's own actions, such as `prefs get`; none for most.
    std::vector<CommandOutline> actions;
};

// The commands of `application`, in the order they were added, each with its positionals,
// options and actions; the help flag is left out, as every command has it.
std::vector<CommandOutline> outlineCommands(const CLI::App& application);

} // namespace velorin::tools
