// Where in its run each frame of an imported sequence falls.
//
// The device spreads a sequence's n frames evenly over the progress of one run (frame k is
// reached at progress k/(n−1)) and paces that progress with the display toolkit's
// ease-in-ease-out curve, cross-fading linearly between neighbouring frames. A sequence that
// should play at its source's own speed therefore shows, in frame k, the source as it is at
// the moment the curve reaches progress k/(n−1): the inverse of the curve at that progress,
// times the run's length. Sampled evenly instead, the frames play eased: slow at both ends,
// fastest in the middle.
#pragma once

namespace velorin::tools {

enum class Pacing {
    // Frames sampled through the inverse of the curve, so the device plays the source's pace.
    SourcePace,
    // Frames sampled evenly, so the device's curve eases the source.
    Eased,
};

// The fraction of the run's time, in [0, 1], at which the device's ease-in-ease-out curve
// reaches `progress` (clamped to [0, 1]). Monotone, 0 at 0 and 1 at 1.
double timeFractionForProgress(double progress);

// The frames a run of `runSeconds` gets at `framesPerSecond`: round(rate × length) + 1, and
// at least 2 so that the run has a first and a last frame.
int frameCountForRun(double runSeconds, double framesPerSecond);

// The moment of the run, in seconds from its start, that frame `index` of `count` shows. With
// one frame that moment is the start.
double runTimeOfFrame(int index, int count, double runSeconds, Pacing pacing);

} // namespace velorin::tools
