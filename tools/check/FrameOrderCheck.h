// Whether a sequence's frames play in the order their author meant, whichever frame the
// device happens to list first.
//
// The order meant is the natural order of the names ("frame2" before "frame10"). The device
// lists a folder in no set order, and the first name listed sets the prefix length, so the
// playing order is worked out once for every prefix length that some frame name gives. For
// each, the sort keys of the frames that play are taken in natural order: keys that never
// decrease play the natural order, though neighbours with equal keys are left in the
// listing's order; a key below one before it plays that frame too early. The judgement uses
// the extension's own window reading, and explains each misread name (a number longer than
// the window, a digit in the prefix, a window cut at the end of the name).
#pragma once

#include "sequences/FrameOrdering.h"
#include "tools/check/CheckReport.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace velorin::tools {

struct WindowReading {
    std::string name;
    NumberWindow window;
};

struct FrameOrderJudgement {
    PrefixLengthOrder order;
    // How many of `order.firstNames` are frames that play.
    std::size_t playingFirstNames{0};
    // The frames that play, in natural order, read with this prefix length.
    std::vector<WindowReading> frames;
    // Indices into `frames` of the frames whose key is below that of a frame before them.
    std::vector<std::size_t> early;
    // Runs of neighbours with equal keys, as the indices of their first and last frame.
    std::vector<std::pair<std::size_t, std::size_t>> ties;
    // Frames whose number is read from a window that runs past the end of their name.
    std::vector<std::size_t> cutWindows;
};

// Judges the order for every prefix length that a name of `frameNames` (every frame the device
// lists) gives when listed first. `playingNames` are the frames that show (those that decode).
// The most likely judgement comes first: the one that most playing frames give, then most
// frames, then the shorter prefix length.
std::vector<FrameOrderJudgement> judgeFrameOrder(const std::vector<std::string>& frameNames,
                                                 const std::vector<std::string>& playingNames);

// What the judgement's prefix length does to the order, as a clause: "every frame reads key 0,
// so they play in the order the folder is listed".
std::string describeOrderEffect(const FrameOrderJudgement& judgement);

// Adds the order problems of each judgement to the report (an error when the frames play in
// another order, a warning for ties and for a right order that rests on cut windows), except
// for judgements whose first names are all in `reportedElsewhere`. `totalNames` is the number
// of frame names.
void addOrderProblems(const std::vector<FrameOrderJudgement>& judgements,
                      const std::vector<std::string>& reportedElsewhere, std::size_t totalNames,
                      CheckReport& report);

// Whether the frames play in another order than the natural one for some first name.
bool playsInAnotherOrder(const std::vector<FrameOrderJudgement>& judgements);

} // namespace velorin::tools
