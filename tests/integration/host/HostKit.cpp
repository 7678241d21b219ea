#include "tests/integration/host/HostKit.h"

#include "host/HostInterface.h"
#include "platform/DeviceFileSystem.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/PreferenceStore.h"
#include "platform/display/Layer.h"
#include "platform/display/View.h"
#include "settings/Settings.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace velorin::host;

class HostObject final : public platform::Object {
public:
    explicit HostObject(Class cls) : platform::Object(cls) {}
};

struct Device {
    bool locked{false};
    bool onPower{false};
};

// Counts what the page shows, without allocating: the observer is told inside the extension's
// own calls.
class PageWatch final : public platform::DisplayObserver {
public:
    void viewAttached(platform::UIView*, platform::UIView*) override { ++attached; }
    void viewDetached(platform::UIView*) override { ++detached; }
    void alphaChanged(platform::UIView*, double alpha) override {
        ++alphaChanges;
        lastAlpha = alpha;
    }
    void animationAdded(platform::CALayer*, platform::CAKeyframeAnimation* animation) override {
        ++animations;
        lastFrames = animation ? animation->values().size() : 0;
    }

    int attached{0};
    int detached{0};
    int alphaChanges{0};
    double lastAlpha{-1};
    int animations{0};
    std::size_t lastFrames{0};
};

struct Host {
    Device device;
    std::vector<platform::Ref<HostObject>> instances;
    platform::Ref<platform::UIView> page;
    PageWatch watch;
    std::string binaryListFolder;
    // Selectors and receivers, looked up once.
    id application{nullptr};
    id userInterfaceController{nullptr};
    SEL finishedLaunching{nullptr};
    SEL updateForPresentation{nullptr};
    SEL powerChanged{nullptr};
};

Host* host = nullptr;

id sharedInstance(id cls, SEL) {
    for (const auto& instance : host->instances) {
        if (static_cast<id>(instance->isa()) == cls)
            return instance.get();
    }
    return nullptr;
}
bool isUILocked(id, SEL) {
    return host->device.locked;
}
bool screenIsDim(id, SEL) {
    return false;
}
bool isOnAC(id, SEL) {
    return host->device.onPower;
}
void command(id, SEL) {
}
const char* systemVersion(id, SEL) {
    return "14.4";
}
const char* bundleIdentifier(id, SEL) {
    return hostShellBundleIdentifier;
}
void setBacklightFactorPending(id, SEL, float) {
}
void startWakeAnimations(id, SEL, bool, id) {
}
void finishedLaunching(id, SEL, id) {
}
void updateForPresentation(id, SEL, id) {
}
void transitionChargingView(id, SEL, bool, bool, bool) {
}

Class makeClass(const char* name, Class superclass = nullptr) {
    Class cls = objc_allocateClass(name, superclass);
    if (cls && !superclass)
        host->instances.push_back(platform::make<HostObject>(cls));
    return cls;
}

void addInstanceMethod(Class cls, const char* selector, IMP implementation) {
    class_addMethod(cls, sel_registerName(selector), implementation);
}

void registerClasses() {
    for (const char* singleton : {lockScreenManagerClass, backlightControllerClass,
                                  userInterfaceControllerClass, idleTimerCoordinatorClass}) {
        class_addClassMethod(makeClass(singleton), sel_registerName(sharedInstanceSelector),
                             toIMP(sharedInstance));
    }
    Class device = makeClass(deviceClass);
    class_addClassMethod(device, sel_registerName(currentDeviceSelector), toIMP(sharedInstance));
    addInstanceMethod(device, systemVersionSelector, toIMP(systemVersion));
    Class bundle = makeClass(bundleClass);
    class_addClassMethod(bundle, sel_registerName(mainBundleSelector), toIMP(sharedInstance));
    addInstanceMethod(bundle, bundleIdentifierSelector, toIMP(bundleIdentifier));

    addInstanceMethod(objc_getClass(lockScreenManagerClass), isUILockedSelector, toIMP(isUILocked));
    Class backlight = objc_getClass(backlightControllerClass);
    addInstanceMethod(backlight, screenIsDimSelector, toIMP(screenIsDim));
    addInstanceMethod(backlight, resetLockScreenIdleTimerSelector, toIMP(command));
    addInstanceMethod(backlight, setBacklightFactorPendingSelector,
                      toIMP(setBacklightFactorPending));
    Class controller = objc_getClass(userInterfaceControllerClass);
    addInstanceMethod(controller, isOnACSelector, toIMP(isOnAC));
    addInstanceMethod(controller, powerChangedSelector, toIMP(command));
    addInstanceMethod(objc_getClass(idleTimerCoordinatorClass), resetIdleTimerSelector,
                      toIMP(command));
    addInstanceMethod(makeClass(screenWakeAnimationControllerClass), startWakeAnimationsSelector,
                      toIMP(startWakeAnimations));
    addInstanceMethod(makeClass(springBoardClass), finishedLaunchingSelector,
                      toIMP(finishedLaunching));
    addInstanceMethod(makeClass(coverSheetViewControllerClass), transitionChargingViewSelector,
                      toIMP(transitionChargingView));
    Class pageView = makeClass(mainPageViewClass, platform::uiViewClass());
    addInstanceMethod(pageView, updateForPresentationSelector, toIMP(updateForPresentation));

    host->page = platform::UIView::initWithFrame(platform::CGRectMake(0, 0, 390, 844));
    host->page->setIsa(pageView);
    host->application = sharedInstance(static_cast<id>(objc_getClass(springBoardClass)), nullptr);
    host->userInterfaceController = sharedInstance(static_cast<id>(controller), nullptr);
    host->finishedLaunching = sel_registerName(finishedLaunchingSelector);
    host->updateForPresentation = sel_registerName(updateForPresentationSelector);
    host->powerChanged = sel_registerName(powerChangedSelector);
}

// Runs one of the host's events; what it throws is the host's own fault, which a C host
// cannot catch, so it ends here.
template <typename Event>
int hostEvent(Event&& event) noexcept {
    try {
        event();
        return 0;
    } catch (...) {
        return -1;
    }
}

} // namespace

extern "C" int hostKitSetUp(const char* deviceRoot) {
    return hostEvent([deviceRoot] {
        host = new Host;
        platform::MainQueue::shared().reset(platform::ClockMode::Virtual);
        platform::setDeviceRoot(deviceRoot);
        // Both folders' names are as long, so that the switch from one to the other reuses
        // the store's own copy of the name and allocates nothing.
        platform::setPreferenceDirectory(std::string(deviceRoot) + "/lists/xml");
        host->binaryListFolder = std::string(deviceRoot) + "/lists/bin";
        registerClasses();
        platform::setDisplayObserver(&host->watch);
        // The main queue's first block, and the notification center's first observer, take
        // room that later ones reuse; made here, not in the middle of an event.
        platform::MainQueue::shared().runUntil(0);
    });
}

extern "C" void hostKitFinishLaunching(void) {
    hostEvent(
        [] { msgSend<void, id>(host->application, host->finishedLaunching, host->application); });
}

extern "C" void hostKitLock(void) {
    host->device.locked = true;
    hostKitPresent();
}

extern "C" void hostKitPresent(void) {
    hostEvent([] { msgSend<void, id>(host->page.get(), host->updateForPresentation, nullptr); });
}

extern "C" void hostKitPlug(void) {
    host->device.onPower = true;
    hostEvent([] { msgSend<void>(host->userInterfaceController, host->powerChanged); });
}

extern "C" void hostKitUnplug(void) {
    host->device.onPower = false;
    hostEvent([] { msgSend<void>(host->userInterfaceController, host->powerChanged); });
}

extern "C" void hostKitUseBinaryList(void) {
    hostEvent([] { platform::setPreferenceDirectory(host->binaryListFolder); });
}

extern "C" int hostKitPostPreferencesChanged(void) {
    return hostEvent([] {
        CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(),
                                             velorin::preferencesChangedNotification, nullptr,
                                             nullptr, true);
    });
}

extern "C" int hostKitRunFor(double seconds) {
    return hostEvent([seconds] {
        auto& queue = platform::MainQueue::shared();
        queue.runUntil(queue.now() + static_cast<std::uint64_t>(seconds * 1e9));
    });
}

extern "C" int hostKitContainerVisible(void) {
    // The container's tag, as the extension sets it.
    constexpr long containerTag = 8966;
    for (const auto& view : host->page->subviews()) {
        if (view->tag() == containerTag && view->alpha() > 0)
            return 1;
    }
    return 0;
}

extern "C" void hostKitDescribe(char* buffer, size_t size) {
    const PageWatch& watch = host->watch;
    std::snprintf(buffer, size,
                  "views attached %d, detached %d; opacity changed %d times, last to %g; "
                  "%d animations, the last of %zu frames\n",
                  watch.attached, watch.detached, watch.alphaChanges, watch.lastAlpha,
                  watch.animations, watch.lastFrames);
}
