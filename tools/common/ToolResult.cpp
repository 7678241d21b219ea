#include "tools/common/ToolResult.h"

#include <cstdio>

namespace velorin::tools {

int report(const ToolError& error) {
    if (error.file.empty())
        std::fprintf(stderr, "velorin-sim: %s\n", error.message.c_str());
    else
        std::fprintf(stderr, "velorin-sim: %s: %s\n", error.file.c_str(), error.message.c_str());
    return static_cast<int>(error.status);
}

} // namespace velorin::tools
