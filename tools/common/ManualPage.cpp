#include "tools/common/ManualPage.h"

namespace velorin::tools {

namespace {

// Text as roff prints it: a backslash and a dash written as roff writes them, and a line that
// would begin with a control character kept as text.
std::string roffText(const std::string& text) {
    std::string escaped;
    bool lineStart = true;
    for (char character : text) {
        if (lineStart && (character == '.' || character == '\''))
            escaped += "\\&";
        if (character == '\\')
            escaped += "\\e";
        else if (character == '-')
            escaped += "\\-";
        else
            escaped += character;
        lineStart = character == '\n';
    }
    return escaped;
}

std::string positionalWord(const PositionalOutline& positional) {
    std::string word = positional.name + (positional.many ? "..." : "");
    return positional.required ? word : "[" + word + "]";
}

std::string usageLine(const std::string& path, const CommandOutline& command) {
    std::string line = "velorin-sim " + path;
    for (const PositionalOutline& positional : command.positionals)
        line += " " + positionalWord(positional);
    if (!command.actions.empty())
        line += " [ACTION]";
    if (!command.options.empty())
        line += " [OPTIONS]";
    return line;
}

void addCommand(std::string& page, const std::string& path, const CommandOutline& command) {
    page += ".SS \"" + roffText(usageLine(path, command)) + "\"\n";
    page += roffText(command.summary) + "\n";
    if (!command.footer.empty())
        page += ".PP\n" + roffText(command.footer) + "\n";
    for (const PositionalOutline& positional : command.positionals)
        page +=
            ".TP\n.I " + roffText(positional.name) + "\n" + roffText(positional.description) + "\n";
    for (const OptionOutline& option : command.options) {
        page += ".TP\n";
        std::string names;
        for (const std::string& name : option.names)
            names += (names.empty() ? "\\fB" : ", \\fB") + roffText(name) + "\\fR";
        if (!option.valueName.empty())
            names += " \\fI" + roffText(option.valueName) + "\\fR";
        page += names + "\n" + roffText(option.description) + "\n";
    }
    for (const CommandOutline& action : command.actions)
        addCommand(page, path + " " + action.name, action);
}

} // namespace

std::string manualPage(const std::string& description,
                       const std::vector<CommandOutline>& commands) {
    std::string page =
        ".TH VELORIN\\-SIM 1 \"\" \"Velorin " VELORIN_VERSION "\" \"User Commands\"\n";
    // The program's description names it already: "velorin-sim: a simulated lock screen …".
    std::string what = description;
    if (what.starts_with("velorin-sim: "))
        what.erase(0, std::string_view("velorin-sim: ").size());
    page += ".SH NAME\nvelorin\\-sim \\- " + roffText(what) + "\n";
    page += ".SH SYNOPSIS\n"
            ".B velorin\\-sim\n[\\fB\\-\\-root\\fR \\fIDIR\\fR] \\fICOMMAND\\fR "
            "[\\fIARGUMENTS\\fR]\n.br\n"
            ".B velorin\\-sim help\n[\\fICOMMAND\\fR]\n.br\n"
            ".B velorin\\-sim \\-\\-version\n";
    page += ".SH DESCRIPTION\n"
            "velorin\\-sim plays charging sequences on a simulated lock screen, checks, imports, "
            "installs and packs them, edits the preferences of a device root and scripts a "
            "simulated device. Every command answers \\fB\\-\\-help\\fR with what this page "
            "says of it, and \\fB\\-\\-root\\fR may come before or after the command. A "
            "mistyped command, option, action or option word gets the nearest one.\n"
            ".PP\nThe device root is a folder laid out as a device's file system: its "
            "sequences and its preference list. Without \\fB\\-\\-root\\fR a command uses your "
            "own, made on first use as a copy of the sample root.\n";
    page += ".SH COMMANDS\n";
    for (const CommandOutline& command : commands)
        addCommand(page, command.name, command);
    page += ".SH ENVIRONMENT\n"
            ".TP\n.B VELORIN_ROOT\nYour device root, instead of "
            "\\fI$XDG_DATA_HOME/velorin/root\\fR (\\fI~/.local/share/velorin/root\\fR).\n"
            ".TP\n.B VELORIN_SAMPLE_ROOT\nThe sample root a new device root is copied from.\n"
            ".TP\n.B VELORIN_EXTENSION_LIBRARY\nThe extension library to load.\n"
            ".TP\n.B NO_COLOR\nWhen set to anything but an empty value, nothing is coloured. "
            "Colour is only ever used on a terminal.\n"
            ".TP\n.B TMPDIR\nWhere private copies of a root or a sequence are made.\n";
    page += ".SH EXIT STATUS\n"
            "0 on success; 1 when \\fBcheck\\fR finds errors (with \\fB\\-\\-strict\\fR, "
            "warnings too); 2 for a fault in the arguments or the input, said on standard "
            "error; 130 or 143 after SIGINT or SIGTERM, with what the command had made "
            "removed.\n";
    return page;
}

} // namespace velorin::tools
