#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr const char* changed = "com.example.test/changed";

struct Delivery {
    void* observer;
    std::string name;
    const void* object;
    CFDictionaryRef userInfo;
};
std::vector<Delivery> deliveries;
int repostsLeft = 0;

void record(CFNotificationCenterRef, void* observer, CFStringRef name, const void* object,
            CFDictionaryRef userInfo) {
    deliveries.push_back({observer, name, object, userInfo});
}

void recordAndRepost(CFNotificationCenterRef center, void* observer, CFStringRef name,
                     const void* object, CFDictionaryRef userInfo) {
    record(center, observer, name, object, userInfo);
    if (repostsLeft-- > 0)
        CFNotificationCenterPostNotification(center, changed, nullptr, nullptr, true);
}

class NotificationCenterTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::MainQueue::shared().reset();
        platform::resetNotificationCenter();
        deliveries.clear();
        repostsLeft = 0;
    }
    void TearDown() override {
        platform::resetNotificationCenter();
        platform::MainQueue::shared().reset();
    }
    void observe(CFNotificationSuspensionBehavior behavior,
                 CFNotificationCallback callback = record, const void* observer = nullptr,
                 const char* name = changed) {
        CFNotificationCenterAddObserver(center, observer, callback, name, nullptr, behavior);
    }
    void post(const char* name = changed) {
        int payload = 0;
        CFNotificationCenterPostNotification(center, name, &payload, &payload, true);
    }
    std::size_t runQueue() { return platform::MainQueue::shared().runDue(); }

    CFNotificationCenterRef center = CFNotificationCenterGetDarwinNotifyCenter();
};

TEST_F(NotificationCenterTest, DeliversLaterOnTheMainQueueWithTheNameOnly) {
    int observer = 0;
    observe(CFNotificationSuspensionBehaviorCoalesce, record, &observer);
    observe(CFNotificationSuspensionBehaviorCoalesce, record, nullptr, "com.example.test/other");
    post();
    EXPECT_TRUE(deliveries.empty()) << "never inside the poster";
    runQueue();
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].observer, &observer);
    EXPECT_EQ(deliveries[0].name, changed);
    EXPECT_EQ(deliveries[0].object, nullptr);
    EXPECT_EQ(deliveries[0].userInfo, nullptr);
}

TEST_F(NotificationCenterTest, CoalescingFoldsPostsMadeBeforeTheDeliveryRuns) {
    observe(CFNotificationSuspensionBehaviorCoalesce);
    post();
    post();
    post();
    runQueue();
    EXPECT_EQ(deliveries.size(), 1u);
    post();
    runQueue();
    EXPECT_EQ(deliveries.size(), 2u);
}

TEST_F(NotificationCenterTest, OtherBehavioursDeliverEveryPost) {
    observe(CFNotificationSuspensionBehaviorDeliverImmediately);
    observe(CFNotificationSuspensionBehaviorHold);
    post();
    post();
    runQueue();
    EXPECT_EQ(deliveries.size(), 4u);
}

TEST_F(NotificationCenterTest, PostFromInsideACoalescedDeliveryIsNotLost) {
    observe(CFNotificationSuspensionBehaviorCoalesce, recordAndRepost);
    repostsLeft = 1;
    post();
    runQueue();
    EXPECT_EQ(deliveries.size(), 2u);
}

TEST_F(NotificationCenterTest, DroppedDeliveryDoesNotBlockLaterOnes) {
    observe(CFNotificationSuspensionBehaviorCoalesce);
    post();
    // A fresh queue drops the waiting delivery; the observer must not wait for it for ever.
    platform::MainQueue::shared().reset();
    post();
    runQueue();
    EXPECT_EQ(deliveries.size(), 1u);
}

TEST_F(NotificationCenterTest, ResetForgetsObserversAndTheirWaitingDeliveries) {
    observe(CFNotificationSuspensionBehaviorCoalesce);
    EXPECT_EQ(platform::notificationObserverCount(changed), 1);
    post();
    platform::resetNotificationCenter();
    EXPECT_EQ(platform::notificationObserverCount(changed), 0);
    post();
    runQueue();
    EXPECT_TRUE(deliveries.empty());
}

} // namespace
