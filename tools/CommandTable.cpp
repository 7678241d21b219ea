// The table of velorin-sim's commands. Each row names a command, says in a line what it does and
// points at the function in its folder that adds its options.
#include "tools/common/Commands.h"

#include <algorithm>
#include <array>

namespace velorin::tools {

CommandRun addSettingsOptions(CLI::App& command);
CommandRun addCheckOptions(CLI::App& command);
CommandRun addRunOptions(CLI::App& command);
CommandRun addPrefsOptions(CLI::App& command);
CommandRun addPreviewOptions(CLI::App& command);
CommandRun addLiveOptions(CLI::App& command);
CommandRun addSoakOptions(CLI::App& command);
CommandRun addImportOptions(CLI::App& command);
CommandRun addInstallOptions(CLI::App& command);
CommandRun addPackOptions(CLI::App& command);
CommandRun addListOptions(CLI::App& command);
CommandRun addRootOptions(CLI::App& command);

namespace {

constexpr std::array commands{
    Command{"settings", "Print the settings the extension loads from a device root's preferences",
            addSettingsOptions},
    Command{"check",
            "List a sequence's frames in playing order and what makes it play otherwise than "
            "meant, each problem with its severity",
            addCheckOptions},
    Command{"run", "Play a scenario on a simulated host shell and print the trace of what it saw",
            addRunOptions},
    Command{"prefs", "Read or edit the Velorin preference domain of a device root",
            addPrefsOptions},
    Command{"preview",
            "Render the lock screen while a sequence plays: frames, a contact sheet and an "
            "animated WebP",
            addPreviewOptions},
    Command{"live",
            "Play a sequence on the lock screen in a window, in real time, reloading it as it "
            "changes",
            addLiveOptions},
    Command{"soak", "Play days of seeded random host events and check the lock screen after each",
            addSoakOptions},
    Command{"import",
            "Make a charging sequence from a GIF, an animated PNG or WebP, a short video, a "
            "Lottie animation, a still image or a folder of frames",
            addImportOptions},
    Command{"install",
            "Copy a sequence folder, or the sequences of a package (.deb), into a device root's "
            "sequences, leaving out resource-fork files, and refuse one whose frames would play "
            "out of order",
            addInstallOptions, "--as"},
    Command{"pack", "Make a package (.deb) of sequences that a phone's package manager installs",
            addPackOptions, "--add"},
    Command{"list",
            "List a device root's sequences: frames, run length, box, decoded size, problems by "
            "severity, and the one its preferences choose",
            addListOptions},
    Command{"root", "Print your device root (made on first use as a copy of the sample root)",
            addRootOptions},
};

} // namespace

std::span<const Command> commandTable() {
    return commands;
}

std::vector<std::string> commandNames() {
    std::vector<std::string> names;
    for (const Command& command : commands)
        names.emplace_back(command.name);
    return names;
}

std::string commandList() {
    std::string list = "Commands:\n";
    for (const Command& command : commands) {
        std::string name = command.name;
        list += "  " + name + std::string(10 - std::min<std::size_t>(9, name.size()), ' ') +
                command.summary + "\n";
    }
    list += "Run `velorin-sim help COMMAND` for a command's options.\n";
    return list;
}

} // namespace velorin::tools
