#include "tools/common/UnexpectedArguments.h"

#include "tools/common/NearestName.h"

#include <CLI/CLI.hpp>

namespace velorin::tools {

namespace {

// "import", or "prefs set" for an action of a command.
std::string commandPath(const CLI::App& command) {
    const CLI::App* parent = command.get_parent();
    if (!parent || !parent->get_parent())
        return command.get_name();
    return commandPath(*parent) + " " + command.get_name();
}

std::vector<std::string> optionNames(const CLI::App& command) {
    std::vector<std::string> names;
    for (const CLI::Option* option : command.get_options()) {
        for (const std::string& name : option->get_lnames())
            names.push_back("--" + name);
        for (const std::string& name : option->get_snames())
            names.push_back("-" + name);
    }
    return names;
}

std::vector<std::string> actionNames(const CLI::App& command) {
    std::vector<std::string> names;
    for (const CLI::App* action : command.get_subcommands({}))
        names.push_back(action->get_name());
    return names;
}

std::string listOf(const std::vector<std::string>& words) {
    std::string list;
    for (std::size_t index = 0; index < words.size(); ++index) {
        if (index > 0)
            list += index + 1 == words.size() ? " or " : ", ";
        list += words[index];
    }
    return list;
}

} // namespace

std::string unexpectedArgumentsMessage(const CLI::App& command,
                                       const std::vector<std::string>& unexpected,
                                       const char* extraWordOption) {
    const std::string path = commandPath(command);
    if (unexpected.empty())
        return path + ": unexpected arguments";
    const std::string& word = unexpected.front();
    if (word.starts_with("-")) {
        std::string option = word.substr(0, word.find('='));
        return path + ": unknown option `" + option + "`" +
               didYouMean(option, optionNames(command));
    }
    std::vector<std::string> actions = actionNames(command);
    bool actionParsed = false;
    for (const CLI::App* action : command.get_subcommands({}))
        actionParsed = actionParsed || action->parsed();
    if (!actions.empty() && !actionParsed)
        return path + ": unknown action `" + word + "`" + didYouMean(word, actions) + " (" + path +
               " takes " + listOf(actions) + ")";
    std::string message = path + ": unexpected argument `" + word + "`";
    if (extraWordOption)
        message += "; did you mean `" + std::string(extraWordOption) + " " + word + "`?";
    return message;
}

} // namespace velorin::tools
