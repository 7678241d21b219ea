// The Darwin notification center: process-wide named notifications without payload.
//
// A post carries only its name. Each observer's callback runs later on the main queue, never
// inside the poster. With the coalescing suspension behaviour, posts made before a pending
// delivery to that observer has run give that one delivery.
#pragma once

#include "platform/Export.h"

struct __CFNotificationCenter;
using CFNotificationCenterRef = __CFNotificationCenter*;
using CFStringRef = const char*;
using CFDictionaryRef = const void*;

using CFNotificationCallback = void (*)(CFNotificationCenterRef center, void* observer,
                                        CFStringRef name, const void* object,
                                        CFDictionaryRef userInfo);

enum CFNotificationSuspensionBehavior : long {
    CFNotificationSuspensionBehaviorDrop = 1,
    CFNotificationSuspensionBehaviorCoalesce = 2,
    CFNotificationSuspensionBehaviorHold = 3,
    CFNotificationSuspensionBehaviorDeliverImmediately = 4,
};

VELORIN_EXPORT CFNotificationCenterRef CFNotificationCenterGetDarwinNotifyCenter();
VELORIN_EXPORT void CFNotificationCenterAddObserver(CFNotificationCenterRef center,
                                                    const void* observer,
                                                    CFNotificationCallback callback,
                                                    CFStringRef name, const void* object,
                                                    CFNotificationSuspensionBehavior behavior);
VELORIN_EXPORT void CFNotificationCenterPostNotification(CFNotificationCenterRef center,
                                                         CFStringRef name, const void* object,
                                                         CFDictionaryRef userInfo,
                                                         bool deliverImmediately);

namespace platform {
// Forgets every observer and pending delivery, for a fresh simulated process.
VELORIN_EXPORT void resetNotificationCenter();
VELORIN_EXPORT int notificationObserverCount(const char* name);
} // namespace platform
