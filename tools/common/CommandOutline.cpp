#include "tools/common/CommandOutline.h"

#include <CLI/CLI.hpp>

namespace velorin::tools {

namespace {

CommandOutline outlineOf(const CLI::App& command) {
    CommandOutline outline{
        command.get_name(), command.get_description(), command.get_footer(), {}, {}, {}};
    for (const CLI::Option* option : command.get_options()) {
        if (option == command.get_help_ptr() || option == command.get_help_all_ptr())
            continue;
        if (option->get_positional()) {
            outline.positionals.push_back({option->get_name(true), option->get_description(),
                                           option->get_required(),
                                           option->get_items_expected_max() > 1});
            continue;
        }
        OptionOutline described;
        for (const std::string& name : option->get_lnames())
            described.names.push_back("--" + name);
        for (const std::string& name : option->get_snames())
            described.names.push_back("-" + name);
        if (option->get_type_size() != 0)
            described.valueName = option->get_type_name();
        described.description = option->get_description();
        outline.options.push_back(std::move(described));
    }
    for (const CLI::App* action : command.get_subcommands({}))
        outline.actions.push_back(outlineOf(*action));
    return outline;
}

} // namespace

std::vector<CommandOutline> outlineCommands(const CLI::App& application) {
    std::vector<CommandOutline> commands;
    for (const CLI::App* command : application.get_subcommands({}))
        commands.push_back(outlineOf(*command));
    return commands;
}

} // namespace velorin::tools
