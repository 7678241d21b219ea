// velorin-sim: preview charging sequences and script a simulated device.
#include "common/Interruption.h"
#include "common/SystemCalls.h"
#include "tools/common/CommandLine.h"
#include "tools/common/CommandOutline.h"
#include "tools/common/Commands.h"
#include "tools/common/FaultReport.h"
#include "tools/common/InterruptionWatch.h"
#include "tools/common/ManualPage.h"
#include "tools/common/NearestName.h"
#include "tools/common/ShellCompletion.h"
#include "tools/common/UnexpectedArguments.h"
#include "tools/common/VersionReport.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <new>
#include <span>
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

// The message about words the parser did not expect, with its guess at what was meant. The
// words are taken from every command parsed, in the order the user gave them; when none of them
// can be told, the parser's own message stands.
std::string unexpectedArgumentsText(const CLI::App& application,
                                    const std::vector<std::string>& given,
                                    const std::string& parserMessage) {
    const CLI::App* deepest = &application;
    std::vector<std::string> left = application.remaining();
    while (!deepest->get_subcommands().empty()) {
        deepest = deepest->get_subcommands().front();
        for (std::string& word : deepest->remaining())
            left.push_back(std::move(word));
    }
    std::vector<std::string> unexpected;
    for (const std::string& word : given) {
        auto found = std::find(left.begin(), left.end(), word);
        if (found != left.end()) {
            unexpected.push_back(word);
            left.erase(found);
        }
    }
    if (unexpected.empty())
        return parserMessage;
    const char* extraWordOption = nullptr;
    const CLI::App* command = deepest;
    while (command->get_parent() && command->get_parent()->get_parent())
        command = command->get_parent();
    for (const velorin::tools::Command& row : velorin::tools::commandTable()) {
        if (command != &application && command->get_name() == row.name)
            extraWordOption = row.extraWordOption;
    }
    return velorin::tools::unexpectedArgumentsMessage(*deepest, unexpected, extraWordOption);
}

// Writes the manual page and the shell completions into `folder`, made from the same parser as
// --help; the build runs this through a hidden option and installs what it writes.
int writeCommandLineDocuments(const CLI::App& application, const std::string& folder) {
    using velorin::tools::Shell;
    auto commands = velorin::tools::outlineCommands(application);
    const std::vector<std::pair<std::string, std::string>> documents{
        {"velorin-sim.1", velorin::tools::manualPage(application.get_description(), commands)},
        {"velorin-sim.bash", velorin::tools::completionScript(Shell::Bash, commands)},
        {"_velorin-sim", velorin::tools::completionScript(Shell::Zsh, commands)},
        {"velorin-sim.fish", velorin::tools::completionScript(Shell::Fish, commands)},
    };
    for (const auto& [name, text] : documents) {
        std::string path = folder + "/" + name;
        auto written = velorin::common::writeNewFile(
            path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
        if (!written)
            return velorin::tools::report(
                std::move(written).withContext(path, "cannot be written").fault());
    }
    return 0;
}

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
    if (given.size() == 3 && given[1] == "--write-command-line-documents")
        return writeCommandLineDocuments(application, given[2]);
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
        message += velorin::tools::didYouMean(arranged.unknownWord, velorin::tools::commandNames());
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
        std::string message = error.what();
        if (dynamic_cast<const CLI::ExtrasError*>(&error))
            message = unexpectedArgumentsText(application, arranged.arguments, message);
        std::fprintf(stderr, "velorin-sim: %s\nRun `velorin-sim help%s%s` for the options.\n",
                     message.c_str(), command ? " " : "",
                     command ? command->get_name().c_str() : "");
        velorin::tools::InterruptionWatch::endAsUnwatchedSignalWould();
        return 2;
    }
    velorin::tools::InterruptionWatch::endAsUnwatchedSignalWould();
    return exitStatus;
}
