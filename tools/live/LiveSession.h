// One run of the simulated device in the live window: a host shell with the real extension,
// its trace printed as it happens, the events played on it kept for a recording, and its lock
// screen drawn at two scales, the window's and the full resolution of captures and
// screenshots.
//
// The host runs in the main queue's virtual time, which the window moves on to the wall
// clock's time before each frame; blocks run at exactly their due times, so what happens
// depends on when events are played and never on how late a frame comes. Starting another
// session (for another screen size) ends this one first: only one host lives in a process.
#pragma once

#include "common/Result.h"
#include "sim/HostSetup.h"
#include "sim/Scenario.h"
#include "sim/SimulatedHost.h"
#include "tools/live/LiveKeys.h"
#include "tools/live/LiveRecording.h"
#include "tools/lockscreen/LockScreenPicture.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace velorin::tools {

struct LiveSessionSetup {
    sim::HostSetup host;
    std::string deviceRoot;
    LockScreenDress dress;
    // Pixels per point of captures and screenshots.
    double fullScale{2};
    // Said in a recording's opening comment.
    std::string replayNote;
};

class LiveSession {
public:
    // Starts the host; a fault when the extension library is missing or the host cannot
    // start. No event is played yet.
    static common::Result<std::unique_ptr<LiveSession>> start(const LiveSessionSetup& setup);
    ~LiveSession();
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    std::uint64_t now() const;
    // Moves the host's clock on to `time`, running what falls due; never back.
    void advanceTo(std::uint64_t time);
    // Plays one event written in the scenario language, at the host's time: its trace line,
    // the event itself, and its place in the recording. A fault for text the language does
    // not read, or when the event fails (the extension cannot be loaded, say).
    common::Result<void> play(std::string_view eventText);
    common::Result<void> play(const sim::ScenarioEvent& event);
    // Ends the run as an `end` event does: its trace lines, and the end of the recording.
    void endHere();
    // Ends the run as a scenario without an `end` event ends, at `time`.
    void endAt(std::uint64_t time);

    const sim::SimulatedHost& host() const { return *m_host; }
    platform::CGSize screen() const { return m_setup.host.screen; }
    KeyContext keyContext() const;
    const LiveRecording& recording() const { return m_recording; }

    // The window's pictures are drawn at `scale` from now on; false when it draws nothing.
    bool setDisplayScale(double scale);
    // The lock screen now at the window's scale, into `picture`; false when it cannot be drawn.
    bool drawForDisplay(FramePixels& picture) const;
    // The lock screen now at full resolution; none when it cannot be drawn.
    std::unique_ptr<FramePixels> captureFullResolution() const;

private:
    explicit LiveSession(LiveSessionSetup setup);
    LiveSessionSetup m_setup;
    std::unique_ptr<sim::SimulatedHost> m_host;
    LiveRecording m_recording;
    // Made in this order and gone in the reverse, as each dresses the host's views while it
    // lives; the full one, made last, gives the host's charging view its pixels, so that
    // captures are drawn exactly as a preview at that scale is.
    std::unique_ptr<LockScreenPicture> m_display;
    std::unique_ptr<LockScreenPicture> m_full;
};

// A time moved up to the next whole millisecond, at which a key's events are played: the
// recording then gives the time exactly in a short number.
std::uint64_t nextWholeMillisecond(std::uint64_t nanoseconds);

} // namespace velorin::tools
