// A simulated host shell: the process the extension is loaded into, with one method per
// host event, driven in the main queue's virtual time.
//
// Starting a host starts a fresh simulated process: the main queue is reset to time zero,
// the notification center forgets its observers, the host's classes are registered and its
// lock-screen page is built, and the preference store is pointed at a private copy of the
// device root's domain. Each event acts at the current time and then runs the blocks that
// have become due, so an event's immediate consequences (a notification's delivery, say) are
// complete when it returns; time moves only with `advanceTo`.
//
// Only one host can be alive in a process. Destroying it tears the simulated process down:
// the queue and the notification center are emptied, the host's classes leave the class
// table, the display observer is cleared and the extension is unloaded, so the next host
// starts from a clean process. The next host may load the extension again only if the loader
// really unmapped it; otherwise its launch is refused with a fault (see ExtensionLoader).
#pragma once

#include "common/Result.h"
#include "platform/PropertyValue.h"
#include "platform/display/View.h"
#include "sim/DeviceState.h"
#include "sim/HostSetup.h"
#include "sim/IdleCountdown.h"
#include "sim/Trace.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace velorin::sim {

struct HostEnvironment {
    // The folder that stands for the device's "/": sequences are read from it, and its
    // preference domain is copied. Nothing is ever written into it.
    std::string deviceRoot;
    // The extension library loaded at launch; none launches the host without an extension.
    std::optional<std::string> extensionLibrary;
};

enum class WakeKind { Waking, NotWaking };

class SimulatedHost {
public:
    // A fault when another host is alive in this process, or when the private preference copy
    // cannot be made or given the set-up's preferences.
    static common::Result<std::unique_ptr<SimulatedHost>>
    start(const HostSetup& setup, const HostEnvironment& environment, TraceSink sink = {});
    ~SimulatedHost();
    SimulatedHost(const SimulatedHost&) = delete;
    SimulatedHost& operator=(const SimulatedHost&) = delete;

    // The clock, in nanoseconds of virtual time since the host was built.
    std::uint64_t now() const;
    // Runs every block due up to `time` and leaves the clock there; never goes back.
    void advanceTo(std::uint64_t time);

    // Events. Launching loads the extension (its initializer runs inside the host) and then
    // finishes launching; it gives a fault naming the library when the library cannot be
    // loaded, in which case the host does not finish launching. A host launches once.
    common::Result<void> launch();
    // Locks and presents the lock-screen page.
    void lock();
    void unlock();
    // Presents the lock-screen page again.
    void present();
    // Changes the power source and announces it. On the locked screen, plugging in also
    // shows the host's charging view for three seconds.
    void plug();
    void unplug();
    // Starts the wake animations, asks for full backlight and restarts the idle countdown.
    void wake(WakeKind kind);
    // Ask for a dim or a zero backlight factor now, as the idle countdown does.
    void dim();
    void sleep();
    // Asks again for the backlight factor the screen has now, which leaves the device as it
    // is, and answers whether the request reached the host or a replacement dropped it. A
    // dropped request is how the host sees that the extension holds the screen awake.
    HookOutcome requestUnchangedBacklight();
    // Ask the lock-screen controllers to show or hide the host's charging view.
    void showChargingView();
    void hideChargingView();
    // Edit the preference domain, without a notification; a fault when the private copy
    // cannot be written.
    common::Result<void> setPreference(const std::string& key,
                                       const platform::PropertyValue& value);
    common::Result<void> unsetPreference(const std::string& key);
    // Posts the settings-changed notification.
    void notifyPreferencesChanged();
    // The view that takes a touch at a point of the page (points), or none.
    platform::UIView* touch(platform::CGPoint point);

    // Trace lines that only the driver knows to write.
    void traceEvent(std::string_view text);
    void traceEnd();

    // What the host shows and knows.
    const DeviceState& device() const;
    platform::UIView* page() const;
    platform::UIView* hostChargingView() const;
    bool isChargingViewVisible() const;
    bool isExtensionLoaded() const;
    IdleCountdown::Phase idleCountdownPhase() const;
    // The view's name as the trace gives it.
    std::string viewName(const platform::UIView* view) const;
    // The file that holds the private copy of the preference domain.
    std::string preferenceFilePath() const;

private:
    struct Impl;
    explicit SimulatedHost(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace velorin::sim
