#include "tools/common/CommandLine.h"

#include <algorithm>
#include <cstddef>

namespace velorin::tools {

namespace {

bool isCommand(const std::string& word, const std::vector<std::string>& commands) {
    return std::find(commands.begin(), commands.end(), word) != commands.end();
}

} // namespace

ArrangedArguments arrangeArguments(const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& commands) {
    ArrangedArguments arranged;
    std::vector<std::string> rootOption;
    std::vector<std::string> before;
    std::size_t index = 1;
    // Options before the command: --root (with its value), --version, --help.
    for (; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (argument == "--root" && index + 1 < arguments.size()) {
            rootOption = {argument, arguments[index + 1]};
            ++index;
        } else if (argument.starts_with("--root=")) {
            rootOption = {argument};
        } else if (argument == "--version") {
            arranged.action = ArrangedArguments::Action::ShowVersion;
            return arranged;
        } else if (argument == "--help" || argument == "-h") {
            arranged.action = ArrangedArguments::Action::ShowHelp;
            return arranged;
        } else if (argument.starts_with("-")) {
            before.push_back(argument);
        } else {
            break;
        }
    }
    if (index >= arguments.size()) {
        arranged.action = before.empty() && rootOption.empty()
                              ? ArrangedArguments::Action::MissingCommand
                              : ArrangedArguments::Action::Parse;
        if (arranged.action == ArrangedArguments::Action::Parse) {
            arranged.arguments = {arguments.front()};
            arranged.arguments.insert(arranged.arguments.end(), before.begin(), before.end());
            arranged.arguments.insert(arranged.arguments.end(), rootOption.begin(),
                                      rootOption.end());
        }
        return arranged;
    }
    std::string command = arguments[index];
    std::vector<std::string> rest(arguments.begin() + static_cast<std::ptrdiff_t>(index) + 1,
                                  arguments.end());
    if (command == "help") {
        if (rest.empty()) {
            arranged.action = ArrangedArguments::Action::ShowHelp;
            return arranged;
        }
        command = rest.front();
        rest = {"--help"};
    }
    if (!isCommand(command, commands)) {
        arranged.action = ArrangedArguments::Action::UnknownCommand;
        arranged.unknownWord = command;
        return arranged;
    }
    arranged.arguments = {arguments.front()};
    arranged.arguments.insert(arranged.arguments.end(), before.begin(), before.end());
    arranged.arguments.push_back(command);
    arranged.arguments.insert(arranged.arguments.end(), rootOption.begin(), rootOption.end());
    arranged.arguments.insert(arranged.arguments.end(), rest.begin(), rest.end());
    return arranged;
}

} // namespace velorin::tools
