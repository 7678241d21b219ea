// The command line around the commands: what to do with a word that names no command, `help`,
// and a `--root` given before the command instead of after it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velorin::tools {

// What main does with the arguments before the parser sees them.
struct ArrangedArguments {
    enum class Action { Parse, ShowHelp, ShowVersion, UnknownCommand, MissingCommand };
    Action action{Action::Parse};
    // For Parse: the arguments, the program name first, `--root` moved after the command and
    // `help COMMAND` turned into `COMMAND --help`. For UnknownCommand: the word.
    std::vector<std::string> arguments;
    std::string unknownWord;
};

ArrangedArguments arrangeArguments(const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& commands);

} // namespace velorin::tools
