#include "platform/MainQueue.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

using platform::MainQueue;

class MainQueueTest : public ::testing::Test {
protected:
    void SetUp() override { queue.reset(); }
    void TearDown() override { queue.reset(); }

    // Queues a block that records its label and the time it ran at.
    void after(std::uint64_t delay, std::string label) {
        dispatch_after(dispatch_time(DISPATCH_TIME_NOW, static_cast<std::int64_t>(delay)),
                       dispatch_get_main_queue(),
                       [this, label] { ran.push_back(label + "@" + std::to_string(queue.now())); });
    }

    MainQueue& queue = MainQueue::shared();
    std::vector<std::string> ran;
};

TEST_F(MainQueueTest, RunsInDueOrderAndTiesInQueueingOrder) {
    after(300, "c");
    after(100, "a1");
    after(200, "b");
    after(100, "a2");
    EXPECT_EQ(queue.nextDueTime(), 100u);
    EXPECT_EQ(queue.runUntil(250), 3u);
    EXPECT_EQ(ran, (std::vector<std::string>{"a1@100", "a2@100", "b@200"}));
    EXPECT_EQ(queue.now(), 250u) << "the clock ends at the time asked for";
    EXPECT_EQ(queue.pendingCount(), 1u);
}

TEST_F(MainQueueTest, BlockQueuedWhileRunningRunsLaterNeverInside) {
    bool innerRan = false;
    bool innerRanInsideCaller = true;
    dispatch_async(dispatch_get_main_queue(), [&] {
        dispatch_async(dispatch_get_main_queue(), [&] { innerRan = true; });
        innerRanInsideCaller = innerRan;
        // A driver call from inside a block must not run the new block either.
        EXPECT_EQ(queue.runUntil(queue.now() + 10), 0u);
    });
    after(0, "queued-before");
    EXPECT_EQ(queue.runDue(), 3u);
    EXPECT_FALSE(innerRanInsideCaller);
    EXPECT_TRUE(innerRan);
    EXPECT_EQ(ran, (std::vector<std::string>{"queued-before@0"}));
}

TEST_F(MainQueueTest, PastTimesAreDueNowAfterWhatIsAlreadyDue) {
    queue.runUntil(1'000);
    after(0, "now");
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, -500), dispatch_get_main_queue(),
                   [this] { ran.push_back("past"); });
    queue.runDue();
    EXPECT_EQ(ran, (std::vector<std::string>{"now@1000", "past"}));
    EXPECT_EQ(queue.now(), 1'000u);
}

TEST_F(MainQueueTest, TimeArithmeticSaturates) {
    constexpr auto largest = std::numeric_limits<std::int64_t>::max();
    constexpr auto smallest = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(dispatch_time(DISPATCH_TIME_FOREVER - 5, largest), DISPATCH_TIME_FOREVER);
    EXPECT_EQ(dispatch_time(10, smallest), 0u);
    EXPECT_EQ(dispatch_time(10, -10), 0u);
    EXPECT_EQ(dispatch_time(DISPATCH_TIME_FOREVER, -NSEC_PER_SEC), DISPATCH_TIME_FOREVER);
    queue.runUntil(7);
    EXPECT_EQ(dispatch_time(DISPATCH_TIME_NOW, 4 * NSEC_PER_SEC), 4'000'000'007u);

    // A block for the end of time never runs, so it is not kept.
    dispatch_after(DISPATCH_TIME_FOREVER, dispatch_get_main_queue(), [] { FAIL(); });
    dispatch_after(0, nullptr, [] { FAIL(); });
    EXPECT_EQ(queue.pendingCount(), 0u);
    EXPECT_EQ(queue.runUntil(DISPATCH_TIME_FOREVER - 1), 0u);
}

TEST_F(MainQueueTest, ResetDropsQueuedBlocksAndRestartsTheClock) {
    after(10, "dropped");
    queue.runUntil(5);
    queue.reset();
    EXPECT_EQ(queue.now(), 0u);
    EXPECT_EQ(queue.nextDueTime(), DISPATCH_TIME_FOREVER);
    EXPECT_EQ(queue.runUntil(100), 0u);
    EXPECT_TRUE(ran.empty());
}

TEST_F(MainQueueTest, RealTimeModeRunsDueBlocksOnTheSteadyClock) {
    queue.reset(platform::ClockMode::RealTime);
    EXPECT_EQ(queue.mode(), platform::ClockMode::RealTime);
    auto start = queue.now();
    bool blockRan = false;
    dispatch_async(dispatch_get_main_queue(), [&] { blockRan = true; });
    EXPECT_EQ(queue.runDue(), 1u);
    EXPECT_TRUE(blockRan);
    EXPECT_GE(queue.now(), start);
}

} // namespace
