#include "tools/Commands.h"

namespace velorin::tools {
void addRunCommand(CLI::App&, int&) {}
} // namespace velorin::tools
