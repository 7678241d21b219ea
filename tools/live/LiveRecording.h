// What `velorin-sim live --record FILE` writes: the device's set-up and every event played on
// it, with its time, as a scenario that `velorin-sim run` replays with the same trace.
//
// Events are kept with their exact times (keys are played on whole milliseconds, so their
// times are short). The file is written whole when the window closes, through a temporary file
// beside it and a rename, so it is never seen half written; a file of the same name is only
// replaced when an earlier recording wrote it, so that no other file of the user's is lost.
#pragma once

#include "common/Result.h"
#include "sim/HostSetup.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velorin::tools {

class LiveRecording {
public:
    // `replayNote` is said in the file's opening comment: how to replay it.
    LiveRecording(sim::HostSetup setup, std::string replayNote);

    void add(std::uint64_t nanoseconds, std::string_view eventText);
    // The scenario, set-up statements first.
    std::string text() const;

private:
    struct Played {
        std::uint64_t time;
        std::string text;
    };
    sim::HostSetup m_setup;
    std::string m_replayNote;
    std::vector<Played> m_events;
};

// Seconds with as many decimals as the nanoseconds need and no more: "0", "1.5", "2.000000001".
std::string exactSeconds(std::uint64_t nanoseconds);

// Whether the recording may be written to `path`: a fault naming it when it is a folder, or a
// file that no recording wrote.
common::Result<void> checkRecordingTarget(const std::string& path);
// Writes the text whole to `path`; a fault naming it when that cannot be done.
common::Result<void> writeRecording(const std::string& path, std::string_view text);

} // namespace velorin::tools
