// The live window's loop: frame after frame, it reads the keys and the window's events, hears
// of changes to the sequence folder, plays the scenario's events and the keys' events on the
// simulated device at their times, takes the captures asked for, and shows the lock screen.
//
// The device's time is the clock's time since the device started, less the time spent paused.
// Every event and every capture is played at its own exact time, whatever the frame it falls
// in, so captures do not depend on how late a frame comes. The loop ends at the scenario's end,
// on `q`, Escape or the window's close button, at the end of a test clock's input, or on
// SIGINT or SIGTERM; it then ends the trace, writes the recording and, when asked, the frame
// statistics, and everything it made goes.
#pragma once

#include "platform/display/Geometry.h"
#include "sim/Scenario.h"
#include "tools/common/InterruptionWatch.h"
#include "tools/lockscreen/LockScreenPicture.h"
#include "tools/preview/PreviewSequence.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velorin::tools {

struct LiveOptions {
    // The screens `n` goes through, the first shown first.
    std::vector<platform::CGSize> screens;
    LockScreenDress dress;
    // Pixels per point of captures and screenshots.
    double fullScale{2};
    // Played instead of the opening launch and lock; the window then ends at its end.
    std::optional<sim::Scenario> script;
    // Captures at these moments (nanoseconds from the start), numbered in the order given.
    std::vector<std::uint64_t> captureMoments;
    std::string captureFolder;
    // Where screenshots go.
    std::string screenshotFolder{"."};
    // Empty for no recording.
    std::string recordFile;
    bool statistics{false};
};

// Runs the window on `sequence` until it ends; gives the exit status.
int runLiveLoop(PreviewSequence& sequence, const LiveOptions& options, InterruptionWatch& watch);

} // namespace velorin::tools
