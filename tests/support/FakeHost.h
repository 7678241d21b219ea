// A small host shell for testing the extension in-process: the host classes registered in the
// runtime over a few plain fields, each method recording that it ran, and the lock-screen page.
//
// The host calls its own methods through the runtime, so whatever the extension interposes is
// reached as on the device. Classes can be left out to model host versions that lack them.
// Destroying the host takes its classes out of the runtime and empties the main queue and the
// notification center, so each test starts from a clean process state.
#pragma once

#include "platform/display/View.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace velorin::testing {

// What the host's own interposable methods throw while `ownMethodsThrow` is set.
struct HostMethodFault {
    std::string method;
};

class FakeHost {
public:
    explicit FakeHost(std::set<std::string> lackedClasses = {});
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    // Device state the host's questions answer from.
    bool locked{true};
    bool dim{false};
    bool onExternalPower{false};
    std::optional<std::string> systemVersion{"14.4"};
    std::optional<std::string> bundleIdentifier{"com.apple.springboard"};
    // While set, each of the host's own implementations of the eight interposable methods
    // throws a HostMethodFault after it has run, as a host method that fails would.
    bool ownMethodsThrow{false};

    // What ran, in order: "ask isUILocked", "tell resetIdleTimer", "host ACPowerChanged" ...
    std::vector<std::string> log;
    int count(const std::string& entry) const;
    void clearLog() { log.clear(); }
    // The arguments the host's own implementations last received.
    float lastBacklightFactor{-1};
    std::vector<bool> lastTransitionArguments;
    id lastPresentationArgument{nullptr};

    // The host's own events, sent through the runtime.
    void changePower(bool connected);
    void finishLaunching();
    void startWakeAnimations(bool waking);
    void updatePagePresentation();
    void setBacklightFactor(float factor);
    void transitionChargingView(const char* controllerClass, bool visible);
    void addBatteryChargingView(bool showBattery);

    platform::UIView& page() { return *m_page; }

private:
    void registerClasses(const std::set<std::string>& lackedClasses);
    std::vector<std::string> m_classNames;
    platform::Ref<platform::UIView> m_page;
};

// Runs the main queue forward by `seconds` of virtual time.
void advanceSeconds(double seconds);

} // namespace velorin::testing
