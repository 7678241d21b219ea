// velorin-sim: preview charging sequences and script a simulated device.
#include "common/Interruption.h"
#include "tools/common/CommandLine.h"
#include "tools/common/Commands.h"
#include "tools/common/InterruptionWatch.h"
#include "tools/common/VersionReport.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

namespace {

// Runs before the libraries the program links set themselves up, and long before main: a
// signal in those first moments waits for the handlers rather than ending the program.
void blockInterruptionsFromTheStart(int, char**, char**) {
    velorin::common::blockInterruptionSignals();
}
[[gnu::section(".preinit_array"), gnu::used]] void (*blockAtStart)(int, char**, char**) =
    blockInterruptionsFromTheStart;

} // namespace

int main(int argc, char** argv) {
    // Blocked already (above); again here, for a program started some other way.
    velorin::common::blockInterruptionSignals();
    velorin::tools::InterruptionWatch::noteFromProgramStart();
    CLI::App application{"velorin-sim: a simulated lock screen for the Velorin extension",
                         "velorin-sim"};
    application.require_subcommand(1);
    int exitStatus = 0;
    for (const velorin::tools::Command& row : velorin::tools::commandTable()) {
        CLI::App* command = application.add_subcommand(row.name, row.summary);
        velorin::tools::CommandRun run = row.addOptions(*command);
        command->callback([run, &exitStatus] { exitStatus = run(); });
    }

    using Action = velorin::tools::ArrangedArguments::Action;
    std::vector<std::string> given(argv, argv + argc);
    auto arranged = velorin::tools::arrangeArguments(given, velorin::tools::commandNames());
    switch (arranged.action) {
    case Action::ShowVersion:
        std::fputs(velorin::tools::versionReport().c_str(), stdout);
        return 0;
    case Action::ShowHelp:
        std::printf("%s\n%s", application.get_description().c_str(),
                    velorin::tools::commandList().c_str());
        return 0;
    case Action::MissingCommand:
        std::fprintf(stderr, "velorin-sim: a command is required\n%s",
                     velorin::tools::commandList().c_str());
        return 2;
    case Action::UnknownCommand: {
        std::string message = "velorin-sim: unknown command \"" + arranged.unknownWord + "\"";
        if (auto nearest = velorin::tools::nearestCommand(arranged.unknownWord,
                                                          velorin::tools::commandNames()))
            message += "; did you mean `" + *nearest + "`?";
        std::fprintf(stderr, "%s\n%s", message.c_str(), velorin::tools::commandList().c_str());
        return 2;
    }
    case Action::Parse:
        break;
    }

    std::vector<char*> arguments;
    for (std::string& argument : arranged.arguments)
        arguments.push_back(argument.data());
    try {
        application.parse(static_cast<int>(arguments.size()), arguments.data());
    } catch (const CLI::CallForHelp&) {
        // A command's --help prints that command's options.
        CLI::App* command = application.get_subcommands().empty()
                                ? &application
                                : application.get_subcommands().front();
        std::fputs(command->help().c_str(), stdout);
        return 0;
    } catch (const CLI::Success& success) {
        return application.exit(success);
    } catch (const std::bad_alloc&) {
        // Whatever the command had made is gone with the unwinding; nothing is left half done.
        std::fputs("velorin-sim: out of memory\n", stderr);
        return 2;
    } catch (const CLI::ParseError& error) {
        CLI::App* command =
            application.get_subcommands().empty() ? nullptr : application.get_subcommands().front();
        std::fprintf(stderr, "velorin-sim: %s\nRun `velorin-sim help%s%s` for the options.\n",
                     error.what(), command ? " " : "", command ? command->get_name().c_str() : "");
        velorin::tools::InterruptionWatch::endAsUnwatchedSignalWould();
        return 2;
    }
    velorin::tools::InterruptionWatch::endAsUnwatchedSignalWould();
    return exitStatus;
}
