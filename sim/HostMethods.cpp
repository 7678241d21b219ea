// Each implementation finds its host through HostModel::active(). The questions and commands
// trace what the extension asked; the interposable methods first report that the host's own
// implementation runs, then act on the device.
#include "sim/HostMethods.h"

#include "host/HostInterface.h"
#include "sim/HostModel.h"

namespace velorin::sim {

namespace {

const char* classNameOf(id receiver) {
    return class_getName(object_getClass(receiver));
}

// The singleton instance of the class that received the message.
id sharedInstance(id cls, SEL) {
    HostModel* model = HostModel::active();
    return model ? model->classes().instanceOf(static_cast<Class>(cls)) : nullptr;
}

// Answers one of the extension's yes/no questions from the device state and traces it.
template <typename ReadAnswer>
bool answerQuestion(id self, SEL selector, ReadAnswer readAnswer) {
    HostModel* model = HostModel::active();
    if (!model)
        return false;
    bool answer = readAnswer(*model);
    model->trace().ask(classNameOf(self), sel_getName(selector), answer);
    return answer;
}

bool isUILocked(id self, SEL selector) {
    return answerQuestion(self, selector, [](HostModel& model) { return model.device().locked; });
}

bool screenIsDim(id self, SEL selector) {
    return answerQuestion(self, selector,
                          [](HostModel& model) { return model.device().screenIsDim(); });
}

bool isOnAC(id self, SEL selector) {
    return answerQuestion(self, selector, [](HostModel& model) { return model.device().onPower; });
}

// Both idle-timer commands restart the one idle countdown the host has.
void resetIdleCountdown(id self, SEL selector) {
    HostModel* model = HostModel::active();
    if (!model)
        return;
    model->trace().tell(classNameOf(self), sel_getName(selector));
    model->idleCountdown().restart();
}

const char* systemVersion(id self, SEL selector) {
    HostModel* model = HostModel::active();
    if (!model)
        return nullptr;
    const char* answer = model->setup().systemVersion.c_str();
    model->trace().askText(classNameOf(self), sel_getName(selector), answer);
    return answer;
}

const char* bundleIdentifier(id self, SEL selector) {
    HostModel* model = HostModel::active();
    if (!model)
        return nullptr;
    const auto& identifier = model->setup().bundleIdentifier;
    const char* answer = identifier ? identifier->c_str() : nullptr;
    model->trace().askText(classNameOf(self), sel_getName(selector), answer);
    return answer;
}

void setBacklightFactorPending(id self, SEL selector, float factor) {
    if (HostModel* model = HostModel::active()) {
        model->ownImplementationRuns(self, selector);
        model->applyBacklight(factor);
    }
}

void powerChanged(id self, SEL selector) {
    // The power state changed before this call; the host's own handling has nothing to add
    // that the trace shows.
    if (HostModel* model = HostModel::active())
        model->ownImplementationRuns(self, selector);
}

void startWakeAnimations(id self, SEL selector, bool, id) {
    if (HostModel* model = HostModel::active())
        model->ownImplementationRuns(self, selector);
}

void finishedLaunching(id self, SEL selector, id) {
    if (HostModel* model = HostModel::active())
        model->ownImplementationRuns(self, selector);
}

void updateForPresentation(id self, SEL selector, id) {
    if (HostModel* model = HostModel::active())
        model->ownImplementationRuns(self, selector);
}

void transitionChargingView(id self, SEL selector, bool visible, bool, bool) {
    if (HostModel* model = HostModel::active()) {
        model->ownImplementationRuns(self, selector);
        model->applyChargingView(visible ? Visibility::Visible : Visibility::Hidden);
    }
}

void addBatteryChargingView(id self, SEL selector, bool) {
    if (HostModel* model = HostModel::active()) {
        model->ownImplementationRuns(self, selector);
        model->applyChargingView(Visibility::Visible);
    }
}

// The explicit method type makes a mismatch with the extension's expectations a compile
// error rather than a call through the wrong signature.
template <typename Method>
void add(HostClasses& classes, const char* className, const char* selector, Method method) {
    classes.addMethod(className, selector, toIMP(method));
}

template <typename Method>
void addClass(HostClasses& classes, const char* className, const char* selector, Method method) {
    classes.addClassMethod(className, selector, toIMP(method));
}

} // namespace

void addHostMethods(HostClasses& classes) {
    using namespace host;
    for (const char* singleton : {lockScreenManagerClass, backlightControllerClass,
                                  userInterfaceControllerClass, idleTimerCoordinatorClass}) {
        addClass<SingletonMethod>(classes, singleton, sharedInstanceSelector, sharedInstance);
    }
    addClass<SingletonMethod>(classes, deviceClass, currentDeviceSelector, sharedInstance);
    addClass<SingletonMethod>(classes, bundleClass, mainBundleSelector, sharedInstance);

    add<QuestionMethod>(classes, lockScreenManagerClass, isUILockedSelector, isUILocked);
    add<QuestionMethod>(classes, backlightControllerClass, screenIsDimSelector, screenIsDim);
    add<QuestionMethod>(classes, userInterfaceControllerClass, isOnACSelector, isOnAC);
    add<CommandMethod>(classes, backlightControllerClass, resetLockScreenIdleTimerSelector,
                       resetIdleCountdown);
    add<CommandMethod>(classes, idleTimerCoordinatorClass, resetIdleTimerSelector,
                       resetIdleCountdown);
    add<StringMethod>(classes, deviceClass, systemVersionSelector, systemVersion);
    add<StringMethod>(classes, bundleClass, bundleIdentifierSelector, bundleIdentifier);

    add<SetBacklightFactorPendingMethod>(classes, backlightControllerClass,
                                         setBacklightFactorPendingSelector,
                                         setBacklightFactorPending);
    add<PowerChangedMethod>(classes, userInterfaceControllerClass, powerChangedSelector,
                            powerChanged);
    add<StartWakeAnimationsMethod>(classes, screenWakeAnimationControllerClass,
                                   startWakeAnimationsSelector, startWakeAnimations);
    add<FinishedLaunchingMethod>(classes, springBoardClass, finishedLaunchingSelector,
                                 finishedLaunching);
    add<UpdateForPresentationMethod>(classes, mainPageViewClass, updateForPresentationSelector,
                                     updateForPresentation);
    for (const char* controller : {coverSheetViewControllerClass, dashBoardViewControllerClass}) {
        add<TransitionChargingViewMethod>(classes, controller, transitionChargingViewSelector,
                                          transitionChargingView);
    }
    add<AddBatteryChargingViewMethod>(classes, lockScreenViewControllerClass,
                                      addBatteryChargingViewSelector, addBatteryChargingView);
}

} // namespace velorin::sim
