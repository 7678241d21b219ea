// The Darwin notification center: observers by name, deliveries through the main queue.
//
// A post queues one delivery per matching observer on the main queue and returns; the poster
// never runs a callback itself. A coalescing observer has at most one delivery waiting: posts
// made while it waits are folded into it, and a post made once it has begun running (even from
// inside the callback) queues a new one. The Darwin center carries no object and no user
// information, so callbacks always receive none for both. Queued deliveries cannot be taken
// back from the main queue, so a reset marks the observers it forgets as gone and their
// waiting deliveries then do nothing.
#include "platform/NotificationCenter.h"

#include "platform/MainQueue.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

struct __CFNotificationCenter {};

namespace {

struct Observer {
    const void* observer;
    CFNotificationCallback callback;
    std::string name;
    CFNotificationSuspensionBehavior behavior;
    // Held by the delivery waiting on the main queue. It expires when that delivery begins, and
    // also when the queue drops the delivery unrun on a reset, so the observer never waits
    // for a delivery that will not come.
    std::weak_ptr<const bool> pendingDelivery{};
    bool registered{true};
};

__CFNotificationCenter darwinCenter;

std::vector<std::shared_ptr<Observer>>& observers() {
    static auto* list = new std::vector<std::shared_ptr<Observer>>;
    return *list;
}

void deliver(const std::shared_ptr<Observer>& observer,
             const std::shared_ptr<const bool>& delivery) {
    if (observer->pendingDelivery.lock() == delivery)
        observer->pendingDelivery.reset();
    if (!observer->registered)
        return;
    observer->callback(&darwinCenter, const_cast<void*>(observer->observer), observer->name.c_str(),
                       nullptr, nullptr);
}

} // namespace

CFNotificationCenterRef CFNotificationCenterGetDarwinNotifyCenter() {
    return &darwinCenter;
}

void CFNotificationCenterAddObserver(CFNotificationCenterRef center, const void* observer,
                                     CFNotificationCallback callback, CFStringRef name, const void*,
                                     CFNotificationSuspensionBehavior behavior) {
    // The Darwin center has no "every notification" observers: a name is required.
    if (center != &darwinCenter || !callback || !name)
        return;
    observers().push_back(std::make_shared<Observer>(Observer{observer, callback, name, behavior}));
}

void CFNotificationCenterPostNotification(CFNotificationCenterRef center, CFStringRef name,
                                          const void*, CFDictionaryRef, bool) {
    if (center != &darwinCenter || !name)
        return;
    // Matching observers are gathered first, so that a callback that adds observers cannot
    // disturb this post.
    std::vector<std::shared_ptr<Observer>> receivers;
    for (const auto& observer : observers()) {
        if (observer->name == name)
            receivers.push_back(observer);
    }
    for (auto& observer : receivers) {
        auto delivery = std::make_shared<const bool>(true);
        if (observer->behavior == CFNotificationSuspensionBehaviorCoalesce) {
            if (!observer->pendingDelivery.expired())
                continue;
            observer->pendingDelivery = delivery;
        }
        dispatch_async(dispatch_get_main_queue(),
                       [observer, delivery] { deliver(observer, delivery); });
    }
}

namespace platform {

void resetNotificationCenter() {
    for (auto& observer : observers())
        observer->registered = false;
    observers().clear();
}

int notificationObserverCount(const char* name) {
    if (!name)
        return 0;
    return static_cast<int>(
        std::count_if(observers().begin(), observers().end(),
                      [name](const auto& observer) { return observer->name == name; }));
}

} // namespace platform
