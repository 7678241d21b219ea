#include "tools/common/ShellCompletion.h"

namespace velorin::tools {

namespace {

// The options velorin-sim takes before any command.
const std::vector<std::string> programOptions{"--root", "--version", "--help"};

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

// Text inside single quotes, for any of the three shells.
std::string singleQuoted(const std::string& text, const char* quoteInside) {
    std::string quoted = "'";
    for (char character : text)
        quoted += character == '\'' ? std::string(quoteInside) : std::string(1, character);
    return quoted + "'";
}

std::vector<std::string> optionNames(const CommandOutline& command, bool valuedOnly) {
    std::vector<std::string> names;
    for (const OptionOutline& option : command.options) {
        if (valuedOnly && option.valueName.empty())
            continue;
        names.insert(names.end(), option.names.begin(), option.names.end());
    }
    if (!valuedOnly)
        names.push_back("--help");
    return names;
}

std::vector<std::string> actionNames(const CommandOutline& command) {
    std::vector<std::string> names;
    for (const CommandOutline& action : command.actions)
        names.push_back(action.name);
    return names;
}

// The line of a help text before its first full stop: a completion shows one short line.
std::string firstSentence(const std::string& text) {
    std::size_t end = text.find(". ");
    std::string sentence = end == std::string::npos ? text : text.substr(0, end);
    for (char& character : sentence) {
        if (character == '\n')
            character = ' ';
    }
    return sentence;
}

std::string bashCase(const CommandOutline& command) {
    std::string text = "        " + command.name + ")\n";
    text += "            options='" + joined(optionNames(command, false)) + "'\n";
    text += "            valued='" + joined(optionNames(command, true)) + "'\n";
    if (!command.actions.empty()) {
        text += "            actions='" + joined(actionNames(command)) + "'\n";
        text += "            case $action in\n";
        for (const CommandOutline& action : command.actions)
            text += "                " + action.name + ") options='" +
                    joined(optionNames(action, false)) + "'; valued='" +
                    joined(optionNames(action, true)) + "' ;;\n";
        text += "            esac\n";
    }
    return text + "            ;;\n";
}

std::string bashScript(const std::vector<CommandOutline>& commands) {
    std::vector<std::string> names;
    for (const CommandOutline& command : commands)
        names.push_back(command.name);
    std::string text = "# bash completion for velorin-sim, made from its own option definitions.\n"
                       "_velorin_sim()\n{\n"
                       "    local current=${COMP_WORDS[COMP_CWORD]}\n"
                       "    local previous=${COMP_WORDS[COMP_CWORD-1]}\n"
                       "    local command='' action='' index\n"
                       "    for ((index = 1; index < COMP_CWORD; index++)); do\n"
                       "        case ${COMP_WORDS[index]} in\n"
                       "            --root) ((index++)) ;;\n"
                       "            -*) ;;\n"
                       "            *)\n"
                       "                if [[ -z $command ]]; then command=${COMP_WORDS[index]}\n"
                       "                elif [[ -z $action ]]; then action=${COMP_WORDS[index]}\n"
                       "                fi ;;\n"
                       "        esac\n"
                       "    done\n"
                       "    local options='' valued='--root' actions=''\n"
                       "    case $command in\n"
                       "        '')\n"
                       "            if [[ $previous == --root ]]; then\n"
                       "                COMPREPLY=($(compgen -d -- \"$current\"))\n"
                       "            else\n"
                       "                COMPREPLY=($(compgen -W '" +
                       joined(names) + " help " + joined(programOptions) +
                       "' -- \"$current\"))\n"
                       "            fi\n"
                       "            return ;;\n"
                       "        help)\n"
                       "            COMPREPLY=($(compgen -W '" +
                       joined(names) +
                       "' -- \"$current\"))\n"
                       "            return ;;\n";
    for (const CommandOutline& command : commands)
        text += bashCase(command);
    text += "    esac\n"
            "    if [[ \" $valued \" == *\" $previous \"* ]]; then\n"
            "        COMPREPLY=($(compgen -f -- \"$current\"))\n"
            "    elif [[ $current == -* ]]; then\n"
            "        COMPREPLY=($(compgen -W \"$options\" -- \"$current\"))\n"
            "    elif [[ -n $actions && -z $action ]]; then\n"
            "        COMPREPLY=($(compgen -W \"$actions\" -- \"$current\"))\n"
            "    else\n"
            "        COMPREPLY=($(compgen -f -- \"$current\"))\n"
            "    fi\n"
            "}\n"
            "complete -o filenames -F _velorin_sim velorin-sim\n";
    return text;
}

// A description inside zsh's brackets: brackets and colons escaped.
std::string zshDescription(const std::string& text) {
    std::string escaped;
    for (char character : firstSentence(text)) {
        if (character == '[' || character == ']' || character == ':' || character == '\\')
            escaped += '\\';
        escaped += character;
    }
    return escaped;
}

std::string zshArguments(const CommandOutline& command, const std::string& indent) {
    std::string text = indent + "_arguments -s";
    for (const OptionOutline& option : command.options) {
        for (const std::string& name : option.names) {
            std::string argument = name + "[" + zshDescription(option.description) + "]";
            if (!option.valueName.empty())
                argument += ":" + option.valueName + ":_files";
            text += " \\\n" + indent + "    " + singleQuoted(argument, "'\\''");
        }
    }
    if (!command.actions.empty()) {
        std::string actions;
        for (const CommandOutline& action : command.actions)
            actions += (actions.empty() ? "" : " ") + action.name + "\\:\"" +
                       zshDescription(action.summary) + "\"";
        text += " \\\n" + indent + "    " + singleQuoted("1:action:((" + actions + "))", "'\\''") +
                " \\\n" + indent + "    '*:argument:_files'";
    } else {
        text += " \\\n" + indent + "    '*:argument:_files'";
    }
    return text + "\n";
}

std::string zshScript(const std::vector<CommandOutline>& commands) {
    std::string text = "#compdef velorin-sim\n"
                       "# zsh completion for velorin-sim, made from its own option definitions.\n"
                       "_velorin_sim() {\n"
                       "    local -a commands\n"
                       "    commands=(\n";
    for (const CommandOutline& command : commands)
        text += "        " +
                singleQuoted(command.name + ":" + firstSentence(command.summary), "'\\''") + "\n";
    text += "    )\n"
            "    local curcontext=$curcontext state line\n"
            "    _arguments -C \\\n"
            "        '--root[device root]:DIR:_files -/' \\\n"
            "        '--version[the versions in use]' \\\n"
            "        '1: :->command' \\\n"
            "        '*:: :->arguments'\n"
            "    case $state in\n"
            "        command)\n"
            "            _describe -t commands 'velorin-sim command' commands\n"
            "            ;;\n"
            "        arguments)\n"
            "            case $words[1] in\n"
            "                help) _describe -t commands 'velorin-sim command' commands ;;\n";
    for (const CommandOutline& command : commands) {
        text += "                " + command.name + ")\n";
        text += zshArguments(command, "                    ");
        text += "                    ;;\n";
    }
    text += "            esac\n"
            "            ;;\n"
            "    esac\n"
            "}\n"
            "_velorin_sim \"$@\"\n";
    return text;
}

std::string fishQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char character : firstSentence(text)) {
        if (character == '\'' || character == '\\')
            quoted += '\\';
        quoted += character;
    }
    return quoted + "'";
}

std::string fishOptions(const std::string& condition, const CommandOutline& command) {
    std::string text;
    for (const OptionOutline& option : command.options) {
        text += "complete -c velorin-sim -n " + condition;
        for (const std::string& name : option.names)
            text += name.starts_with("--") ? " -l " + name.substr(2) : " -s " + name.substr(1);
        if (!option.valueName.empty())
            text += " -r -F";
        text += " -d " + fishQuoted(option.description) + "\n";
    }
    return text;
}

std::string fishScript(const std::vector<CommandOutline>& commands) {
    std::string text = "# fish completion for velorin-sim, made from its own option definitions.\n"
                       "complete -c velorin-sim -f\n"
                       "complete -c velorin-sim -n __fish_use_subcommand -l root -r -F -d "
                       "'Device root'\n"
                       "complete -c velorin-sim -n __fish_use_subcommand -l version -d "
                       "'The versions in use'\n"
                       "complete -c velorin-sim -n __fish_use_subcommand -a help -d "
                       "'A command\\'s options'\n";
    for (const CommandOutline& command : commands)
        text += "complete -c velorin-sim -n __fish_use_subcommand -a " + command.name + " -d " +
                fishQuoted(command.summary) + "\n";
    for (const CommandOutline& command : commands) {
        std::string seen = "'__fish_seen_subcommand_from " + command.name + "'";
        text += fishOptions(seen, command);
        if (command.actions.empty()) {
            text += "complete -c velorin-sim -n " + seen + " -F\n";
            continue;
        }
        std::string actions = joined(actionNames(command));
        for (const CommandOutline& action : command.actions) {
            text += "complete -c velorin-sim -n '__fish_seen_subcommand_from " + command.name +
                    "; and not __fish_seen_subcommand_from " + actions + "' -a " + action.name +
                    " -d " + fishQuoted(action.summary) + "\n";
            text += fishOptions("'__fish_seen_subcommand_from " + command.name +
                                    "; and __fish_seen_subcommand_from " + action.name + "'",
                                action);
        }
    }
    text += "complete -c velorin-sim -n '__fish_seen_subcommand_from help' -a '" + joined([&] {
                std::vector<std::string> names;
                for (const CommandOutline& command : commands)
                    names.push_back(command.name);
                return names;
            }()) +
            "'\n";
    return text;
}

} // namespace

std::string completionScript(Shell shell, const std::vector<CommandOutline>& commands) {
    switch (shell) {
    case Shell::Bash:
        return bashScript(commands);
    case Shell::Zsh:
        return zshScript(commands);
    case Shell::Fish:
        return fishScript(commands);
    }
    return {};
}

} // namespace velorin::tools
