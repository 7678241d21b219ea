// A host written in C loads the library under an address-space limit, with a device root whose
// preference list, options file and frame each claim 64 GiB, and calls every export: it must
// survive, and the oversized files must read as absent.
#include "settings/Settings.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace velorin {
namespace {

namespace fs = std::filesystem;

constexpr const char* sequenceDirectory = "var/jb/vod/Library/Velorin/chargingSequences/huge/";

void makeSparse(const fs::path& path, std::uintmax_t bytes) {
    fs::create_directories(path.parent_path());
    { std::ofstream created(path); }
    fs::resize_file(path, bytes);
}

TEST(MinimalHostTest, SurvivesHugeFilesUnderAnAddressSpaceLimit) {
#ifdef VELORIN_SANITIZED_BUILD
    GTEST_SKIP() << "the sanitizers' shadow memory cannot live under an address-space limit";
#endif
    testing::TemporaryDeviceRoot root;
    constexpr std::uintmax_t claimed = 64ull << 30;
    makeSparse(root.hostPath("var/mobile/Library/Preferences/com.tarnwick.velorin.plist"), claimed);
    makeSparse(root.hostPath(std::string(sequenceDirectory) + "options.json"), claimed);
    makeSparse(root.hostPath(std::string(sequenceDirectory) + "frame1.png"), claimed);

    testing::ProcessOutcome outcome = testing::runProcess(
        VELORIN_MINIMAL_HOST_PATH, {VELORIN_LIBRARY_PATH, "512", sequenceDirectory}, root.path(),
        {"VELORIN_DEVICE_ROOT=" + root.path().string()});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "survived\n");
}

} // namespace
} // namespace velorin
