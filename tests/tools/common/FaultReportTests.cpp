// Reporting a fault: the line a command prints names the file (or the place in it) and the
// command ends as on a usage or input error.
#include "tools/common/FaultReport.h"

#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

TEST(FaultReportTest, NamesTheFileOrThePlaceInItAndEndsAsAnInputError) {
    EXPECT_EQ(faultReportLine(common::Fault("interrupted; nothing was written")),
              "velorin-sim: interrupted; nothing was written");
    common::Fault onLine("time goes backwards");
    onLine.file = "run.scenario";
    onLine.line = 3;
    EXPECT_EQ(faultReportLine(onLine), "run.scenario:3: time goes backwards");

    ::testing::internal::CaptureStderr();
    int status = report(common::Fault("--fps", "expected a rate above 0"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "velorin-sim: --fps: expected a rate above 0\n");
    EXPECT_EQ(status, static_cast<int>(ExitStatus::UsageOrInputError));
}

} // namespace
} // namespace velorin::tools
