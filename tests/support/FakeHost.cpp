#include "tests/support/FakeHost.h"

#include "host/HostInterface.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"

#include <algorithm>
#include <cmath>

namespace velorin::testing {

namespace {

FakeHost* currentHost = nullptr;

// Logs that the host's own implementation ran, then throws when the host is set to.
void ownMethodRuns(std::string entry) {
    currentHost->log.push_back(entry);
    if (currentHost->ownMethodsThrow)
        throw HostMethodFault{std::move(entry)};
}

// The one instance every host class hands out; its class says which singleton it is.
class HostObject final : public platform::Object {
public:
    explicit HostObject(Class cls) : platform::Object(cls) {}
};

std::vector<platform::Ref<HostObject>>& singletons() {
    static std::vector<platform::Ref<HostObject>> objects;
    return objects;
}

id ownSharedInstance(id cls, SEL) {
    for (auto& object : singletons()) {
        if (static_cast<id>(object->isa()) == cls)
            return object.get();
    }
    auto object = platform::make<HostObject>(static_cast<Class>(cls));
    singletons().push_back(object);
    return object.get();
}

bool ownIsUILocked(id, SEL) {
    currentHost->log.push_back("ask isUILocked");
    return currentHost->locked;
}
bool ownScreenIsDim(id, SEL) {
    currentHost->log.push_back("ask screenIsDim");
    return currentHost->dim;
}
bool ownIsOnAC(id, SEL) {
    currentHost->log.push_back("ask isOnAC");
    return currentHost->onExternalPower;
}
void ownResetLockScreenIdleTimer(id, SEL) {
    currentHost->log.push_back("tell resetLockScreenIdleTimer");
}
void ownResetIdleTimer(id, SEL) {
    currentHost->log.push_back("tell resetIdleTimer");
}
const char* ownSystemVersion(id, SEL) {
    return currentHost->systemVersion ? currentHost->systemVersion->c_str() : nullptr;
}
const char* ownBundleIdentifier(id, SEL) {
    return currentHost->bundleIdentifier ? currentHost->bundleIdentifier->c_str() : nullptr;
}
void ownSetBacklightFactorPending(id, SEL, float factor) {
    currentHost->lastBacklightFactor = factor;
    ownMethodRuns("host setBacklightFactorPending:");
}
void ownPowerChanged(id, SEL) {
    ownMethodRuns("host ACPowerChanged");
}
void ownStartWakeAnimations(id, SEL, bool, id) {
    ownMethodRuns("host startWake");
}
void ownFinishedLaunching(id, SEL, id) {
    ownMethodRuns("host finishedLaunching");
}
void ownUpdateForPresentation(id, SEL, id presentation) {
    currentHost->lastPresentationArgument = presentation;
    ownMethodRuns("host updateForPresentation:");
}
void ownTransitionChargingView(id self, SEL, bool visible, bool showBattery, bool animated) {
    currentHost->lastTransitionArguments = {visible, showBattery, animated};
    ownMethodRuns(std::string("host transition ") + class_getName(object_getClass(self)));
}
void ownAddBatteryChargingView(id, SEL, bool showBattery) {
    currentHost->lastTransitionArguments = {showBattery};
    ownMethodRuns("host addBatteryChargingView");
}

} // namespace

FakeHost::FakeHost(std::set<std::string> lackedClasses) {
    currentHost = this;
    platform::MainQueue::shared().reset();
    platform::resetNotificationCenter();
    registerClasses(lackedClasses);
    m_page = platform::UIView::initWithFrame(platform::CGRectMake(0, 0, 400, 800));
    if (Class pageClass = objc_getClass(host::mainPageViewClass))
        m_page->setIsa(pageClass);
}

FakeHost::~FakeHost() {
    for (const auto& name : m_classNames)
        objc_unregisterClass(name.c_str());
    singletons().clear();
    platform::MainQueue::shared().reset();
    platform::resetNotificationCenter();
    currentHost = nullptr;
}

void FakeHost::registerClasses(const std::set<std::string>& lackedClasses) {
    auto add = [&](const char* name, Class superclass = nullptr) -> Class {
        if (lackedClasses.contains(name))
            return nullptr;
        Class cls = objc_allocateClass(name, superclass);
        m_classNames.push_back(name);
        class_addClassMethod(cls, sel_registerName(host::sharedInstanceSelector),
                             toIMP(ownSharedInstance));
        return cls;
    };
    auto method = [](Class cls, const char* selector, IMP implementation) {
        if (cls)
            class_addMethod(cls, sel_registerName(selector), implementation);
    };
    Class lockScreenManager = add(host::lockScreenManagerClass);
    method(lockScreenManager, host::isUILockedSelector, toIMP(ownIsUILocked));
    Class backlight = add(host::backlightControllerClass);
    method(backlight, host::screenIsDimSelector, toIMP(ownScreenIsDim));
    method(backlight, host::resetLockScreenIdleTimerSelector, toIMP(ownResetLockScreenIdleTimer));
    method(backlight, host::setBacklightFactorPendingSelector, toIMP(ownSetBacklightFactorPending));
    Class controller = add(host::userInterfaceControllerClass);
    method(controller, host::isOnACSelector, toIMP(ownIsOnAC));
    method(controller, host::powerChangedSelector, toIMP(ownPowerChanged));
    Class coordinator = add(host::idleTimerCoordinatorClass);
    method(coordinator, host::resetIdleTimerSelector, toIMP(ownResetIdleTimer));
    if (Class device = add(host::deviceClass)) {
        class_addClassMethod(device, sel_registerName(host::currentDeviceSelector),
                             toIMP(ownSharedInstance));
        method(device, host::systemVersionSelector, toIMP(ownSystemVersion));
    }
    if (Class bundle = add(host::bundleClass)) {
        class_addClassMethod(bundle, sel_registerName(host::mainBundleSelector),
                             toIMP(ownSharedInstance));
        method(bundle, host::bundleIdentifierSelector, toIMP(ownBundleIdentifier));
    }
    method(add(host::screenWakeAnimationControllerClass), host::startWakeAnimationsSelector,
           toIMP(ownStartWakeAnimations));
    method(add(host::springBoardClass), host::finishedLaunchingSelector,
           toIMP(ownFinishedLaunching));
    method(add(host::mainPageViewClass, platform::uiViewClass()),
           host::updateForPresentationSelector, toIMP(ownUpdateForPresentation));
    for (const char* name :
         {host::coverSheetViewControllerClass, host::dashBoardViewControllerClass})
        method(add(name), host::transitionChargingViewSelector, toIMP(ownTransitionChargingView));
    method(add(host::lockScreenViewControllerClass), host::addBatteryChargingViewSelector,
           toIMP(ownAddBatteryChargingView));
}

int FakeHost::count(const std::string& entry) const {
    return static_cast<int>(std::count(log.begin(), log.end(), entry));
}

namespace {
id singletonOf(const char* className) {
    return msgSendClass<id>(objc_getClass(className),
                            sel_registerName(host::sharedInstanceSelector));
}
} // namespace

void FakeHost::changePower(bool connected) {
    onExternalPower = connected;
    msgSend<void>(singletonOf(host::userInterfaceControllerClass),
                  sel_registerName(host::powerChangedSelector));
}

void FakeHost::finishLaunching() {
    msgSend<void, id>(singletonOf(host::springBoardClass),
                      sel_registerName(host::finishedLaunchingSelector), nullptr);
}

void FakeHost::startWakeAnimations(bool waking) {
    msgSend<void, bool, id>(singletonOf(host::screenWakeAnimationControllerClass),
                            sel_registerName(host::startWakeAnimationsSelector), waking, nullptr);
}

void FakeHost::updatePagePresentation() {
    msgSend<void, id>(m_page.get(), sel_registerName(host::updateForPresentationSelector),
                      m_page.get());
}

void FakeHost::setBacklightFactor(float factor) {
    msgSend<void, float>(singletonOf(host::backlightControllerClass),
                         sel_registerName(host::setBacklightFactorPendingSelector), factor);
}

void FakeHost::transitionChargingView(const char* controllerClass, bool visible) {
    msgSend<void, bool, bool, bool>(singletonOf(controllerClass),
                                    sel_registerName(host::transitionChargingViewSelector), visible,
                                    true, false);
}

void FakeHost::addBatteryChargingView(bool showBattery) {
    msgSend<void, bool>(singletonOf(host::lockScreenViewControllerClass),
                        sel_registerName(host::addBatteryChargingViewSelector), showBattery);
}

void advanceSeconds(double seconds) {
    auto& queue = platform::MainQueue::shared();
    queue.runUntil(queue.now() + static_cast<std::uint64_t>(std::llround(seconds * 1e9)));
}

} // namespace velorin::testing
