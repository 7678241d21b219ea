// The subcommands of velorin-sim. Each one adds itself to the application and, when it runs,
// stores its exit status in `exitStatus`.
#pragma once

namespace CLI {
class App;
}

namespace velorin::tools {

void addSettingsCommand(CLI::App& application, int& exitStatus);
void addCheckCommand(CLI::App& application, int& exitStatus);
void addRunCommand(CLI::App& application, int& exitStatus);
void addPrefsCommand(CLI::App& application, int& exitStatus);
void addPreviewCommand(CLI::App& application, int& exitStatus);
void addSoakCommand(CLI::App& application, int& exitStatus);
void addImportCommand(CLI::App& application, int& exitStatus);
void addRootCommand(CLI::App& application, int& exitStatus);
void addListCommand(CLI::App& application, int& exitStatus);
void addInstallCommand(CLI::App& application, int& exitStatus);
void addPackCommand(CLI::App& application, int& exitStatus);
void addLiveCommand(CLI::App& application, int& exitStatus);

} // namespace velorin::tools
