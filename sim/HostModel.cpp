#include "sim/HostModel.h"

#include "host/HostInterface.h"
#include "platform/MainQueue.h"
#include "sim/HostMethods.h"

namespace velorin::sim {

namespace {

HostModel* activeModel = nullptr;

} // namespace

HostModel::HostModel(const HostSetup& setup, Trace& trace)
    : m_setup(setup),
      m_trace(trace), m_device{setup.locked, setup.onPower, fullBacklightFactor, false},
      m_classes(setup.profile, setup.lackingClasses),
      m_page(m_classes.classNamed(host::mainPageViewClass), setup.screen),
      m_idleCountdown(
          setup.autolockNanoseconds,
          [this] {
              // A screen that is already asleep has nothing left to dim.
              if (m_device.screenIsAsleep())
                  m_idleCountdown.stop();
              else
                  requestBacklight(dimBacklightFactor);
          },
          [this] {
              if (!m_device.screenIsAsleep())
                  requestBacklight(sleepBacklightFactor);
          }),
      m_lifetime(std::make_shared<HostModel*>(this)) {
    addHostMethods(m_classes);
    activeModel = this;
    // The screen is lit before the first event, so the countdown runs from the start.
    m_idleCountdown.restart();
}

HostModel::~HostModel() {
    if (activeModel == this)
        activeModel = nullptr;
}

HostModel* HostModel::active() {
    return activeModel;
}

template <typename... Arguments>
bool HostModel::callOwnMethod(id receiver, const char* selector, Arguments... arguments) {
    if (!receiver)
        return false;
    SEL registered = sel_registerName(selector);
    Class cls = object_getClass(receiver);
    bool interposed = m_classes.isInterposed(cls, registered);
    m_calls.push_back({receiver, registered, interposed, false});
    msgSend<void, Arguments...>(receiver, registered, arguments...);
    Call finished = m_calls.back();
    m_calls.pop_back();
    // A pass-through was traced when the host's implementation ran; a drop shows only now.
    if (finished.interposed && !finished.ownImplementationRan)
        m_trace.hook(class_getName(cls), selector, HookOutcome::Dropped);
    return finished.ownImplementationRan;
}

void HostModel::ownImplementationRuns(id receiver, SEL selector) {
    for (auto call = m_calls.rbegin(); call != m_calls.rend(); ++call) {
        if (call->receiver != receiver || call->selector != selector || call->ownImplementationRan)
            continue;
        call->ownImplementationRan = true;
        if (call->interposed)
            m_trace.hook(class_getName(object_getClass(receiver)), sel_getName(selector),
                         HookOutcome::Passed);
        return;
    }
}

void HostModel::finishLaunching() {
    // Launched whether or not the host has the application class whose method says so.
    m_device.launched = true;
    id application = m_classes.instanceNamed(host::springBoardClass);
    callOwnMethod<id>(application, host::finishedLaunchingSelector, application);
}

void HostModel::presentPage() {
    // The host passes no presentation object; the extension passes it on untouched.
    callOwnMethod<id>(m_page.view(), host::updateForPresentationSelector, nullptr);
}

void HostModel::announcePowerChange() {
    callOwnMethod<>(m_classes.instanceNamed(host::userInterfaceControllerClass),
                    host::powerChangedSelector);
}

void HostModel::startWakeAnimations(bool waking) {
    callOwnMethod<bool, id>(m_classes.instanceNamed(host::screenWakeAnimationControllerClass),
                            host::startWakeAnimationsSelector, waking, nullptr);
}

HookOutcome HostModel::requestBacklight(float factor) {
    bool reached = callOwnMethod<float>(m_classes.instanceNamed(host::backlightControllerClass),
                                        host::setBacklightFactorPendingSelector, factor);
    return reached ? HookOutcome::Passed : HookOutcome::Dropped;
}

void HostModel::requestChargingView(Visibility visibility) {
    bool visible = visibility == Visibility::Visible;
    for (const char* controllerClass :
         {host::coverSheetViewControllerClass, host::dashBoardViewControllerClass}) {
        callOwnMethod<bool, bool, bool>(m_classes.instanceNamed(controllerClass),
                                        host::transitionChargingViewSelector, visible, true, true);
    }
    // The oldest controller can only add its charging view; hiding is left to the others.
    if (visible) {
        callOwnMethod<bool>(m_classes.instanceNamed(host::lockScreenViewControllerClass),
                            host::addBatteryChargingViewSelector, true);
    }
}

void HostModel::showChargingViewBriefly() {
    requestChargingView(Visibility::Visible);
    std::weak_ptr<HostModel*> lifetime = m_lifetime;
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW,
                                 static_cast<std::int64_t>(chargingViewShownAfterPlugNanoseconds)),
                   dispatch_get_main_queue(), [lifetime] {
                       if (auto model = lifetime.lock())
                           (*model)->requestChargingView(Visibility::Hidden);
                   });
}

void HostModel::applyBacklight(float factor) {
    m_device.backlightFactor = factor;
    m_trace.backlight(factor);
}

void HostModel::applyChargingView(Visibility visibility) {
    if (m_page.setChargingViewVisible(visibility == Visibility::Visible))
        m_trace.chargingView(visibility);
}

} // namespace velorin::sim
