// How long an imported sequence's run lasts and which moment of the source each moment of the
// run shows.
//
// A showing lasts four seconds (showingLengthSeconds, as the presentation times it) and plays a
// sequence's frames once. A source longer than that is trimmed to the showing unless its whole
// length is kept (the device then cuts it when the showing ends); a shorter one repeats as it
// says it does (see FillChoice), in whole cycles within the showing, and holds its last frame
// for the rest. Every decision is given as a note for the command's report.
#pragma once

#include "presentation/ShowingLength.h"

#include <optional>
#include <string>
#include <vector>

namespace velorin::tools {

enum class LengthChoice { TrimToShowing, KeepLength };
// What a source shorter than a showing does: as it says of itself (one that loops forever fills
// the showing with whole cycles, one that plays a set number of times keeps that count, others
// play once), one cycle and then its last frame held (--once), or whole cycles to fill the
// showing even when it does not say that it loops (--fill).
enum class FillChoice { AsTheSourceSays, HoldLastFrame, RepeatCycles };

// How often a source says it plays: none when it does not say (a video, a folder of frames),
// `playsForever` for an endless loop, else the number of plays (1 for once).
using PlayCount = std::optional<int>;
inline constexpr int playsForever = 0;

struct RunPlan {
    double sourceSeconds{0};
    // The run's length: the sequence's animationDuration.
    double runSeconds{0};
    // The source repeats within the run: run times wrap around the source's length.
    bool repeats{false};
    std::vector<std::string> notes;

    // The moment of the source, in seconds, shown at `runTime` seconds into the run. At the
    // run's very end (`atRunEnd`) a repeated source shows the end of a cycle, not the start of
    // the next one.
    double sourceTimeAt(double runTime, bool atRunEnd) const;
};

// `sourceSeconds` must be above 0.
RunPlan planRun(double sourceSeconds, PlayCount plays, LengthChoice length, FillChoice fill);

// Seconds as the report writes them: "4 s", "1.25 s".
std::string formatSeconds(double seconds);

} // namespace velorin::tools
