#include "tools/Commands.h"

namespace velorin::tools {
void addCheckCommand(CLI::App&, int&) {}
} // namespace velorin::tools
