// velorin-sim: preview charging sequences and script a simulated device.
#include "tools/common/Commands.h"
#include "tools/common/InterruptionWatch.h"

#include <CLI/CLI.hpp>

int main(int argc, char** argv) {
    velorin::tools::InterruptionWatch::noteFromProgramStart();
    CLI::App application{"velorin-sim: a simulated lock screen for the Velorin extension",
                         "velorin-sim"};
    application.set_version_flag("--version", VELORIN_VERSION);
    application.require_subcommand(1);
    int exitStatus = 0;
    velorin::tools::addSettingsCommand(application, exitStatus);
    velorin::tools::addCheckCommand(application, exitStatus);
    velorin::tools::addRunCommand(application, exitStatus);
    velorin::tools::addPrefsCommand(application, exitStatus);
    velorin::tools::addPreviewCommand(application, exitStatus);
    velorin::tools::addSoakCommand(application, exitStatus);
    velorin::tools::addImportCommand(application, exitStatus);
    try {
        application.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Help and version end the program successfully; any other parse fault is a usage
        // error, which every command reports with status 2.
        int status = application.exit(error);
        velorin::tools::InterruptionWatch::endAsUnwatchedSignalWould();
        return status == 0 ? 0 : 2;
    }
    velorin::tools::InterruptionWatch::endAsUnwatchedSignalWould();
    return exitStatus;
}
