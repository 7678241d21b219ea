// A signal that reaches velorin-sim before it has put its handlers in place (here, one already
// waiting when the program starts) ends it as any interruption does: exit 128 plus the signal,
// nothing of what it was making left behind.
#include "tests/support/ChildProcess.h"
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/import/ImportTestSupport.h"
#include "tests/tools/import/TestMedia.h"

#include <csignal>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;

// Blocks `signal` in this process while it lives, so that a child it starts inherits it
// blocked: a signal the child's shell sends itself then waits, through exec, for velorin-sim.
class BlockedSignal {
public:
    explicit BlockedSignal(int signal) {
        sigset_t blocked;
        sigemptyset(&blocked);
        sigaddset(&blocked, signal);
        ::sigprocmask(SIG_BLOCK, &blocked, &m_previous);
    }
    ~BlockedSignal() { ::sigprocmask(SIG_SETMASK, &m_previous, nullptr); }

private:
    sigset_t m_previous{};
};

TEST(InterruptionWatchTest, ASignalBeforeTheHandlersEndsTheCommandCleanly) {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot scratch;
    fs::path still = scratch.path() / "still.png";
    testing::writePng(still, testing::Picture::filled(40, 40, {10, 200, 10, 255}));
    root.makeFolder("var/jb/vod/Library/Velorin/chargingSequences");
    auto before = testing::snapshotOf(root.path());
    for (auto [signal, name, status] :
         {std::tuple{SIGINT, "INT", 130}, {SIGTERM, "TERM", 143}, {SIGHUP, "HUP", 129}}) {
        BlockedSignal blocked(signal);
        auto outcome = testing::runProcess(
            "/bin/sh",
            {"-c", std::string("kill -") + name + " $$; exec \"$0\" \"$@\"", VELORIN_SIM_PATH,
             "import", still.string(), "green", "--root", root.path().string()},
            scratch.path());
        EXPECT_EQ(outcome.status, status) << name << ": " << outcome.err;
        EXPECT_THAT(outcome.err, ::testing::HasSubstr("interrupted")) << name;
        EXPECT_EQ(testing::snapshotOf(root.path()), before) << name;
    }
}

} // namespace
} // namespace velorin::tools
