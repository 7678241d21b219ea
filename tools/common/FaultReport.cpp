#include "tools/common/FaultReport.h"

#include <cstdio>

namespace velorin::tools {

std::string faultReportLine(const common::Fault& fault) {
    if (fault.file && fault.line)
        return fault.text();
    return "velorin-sim: " + fault.text();
}

int report(const common::Fault& fault) {
    std::fprintf(stderr, "%s\n", faultReportLine(fault).c_str());
    return static_cast<int>(ExitStatus::UsageOrInputError);
}

} // namespace velorin::tools
