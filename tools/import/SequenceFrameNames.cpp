#include "tools/import/SequenceFrameNames.h"

#include <cstdio>

namespace velorin::tools {

std::string sequenceFrameName(int index, int count) {
    int digits = count > 9999 ? 5 : 4;
    char name[32];
    std::snprintf(name, sizeof name, "frame%0*d.png", digits, index + 1);
    return name;
}

} // namespace velorin::tools
