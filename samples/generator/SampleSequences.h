// The charging sequences bundled with velorin-sim, drawn by code at build time.
//
// Each sequence is a folder of numbered PNG frames and an options file. The frame names keep
// the extension's ordering rule: a prefix without digits, of length L, followed at once by the
// frame number with enough leading zeros that every name is at least 2L characters long, so
// that the number window of every name holds the whole number. The three sequences differ in
// character and in placement, to show what the options file can do. Their frames are drawn at
// the screen's scale, so that a check finds them neither blurred nor oversized.
#pragma once

#include "samples/generator/Canvas.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velorin::samples {

// Frames are drawn at this many pixels to the point: as sharp as a phone's screen shows them.
inline constexpr std::uint32_t sampleFrameScale = 3;

struct SampleSequence {
    // The sequence folder's name, which is what the user picks.
    std::string name;
    // Frame names are the prefix, the number (from 1) with `numberDigits` digits and ".png".
    std::string framePrefix;
    int numberDigits{0};
    int frameCount{0};
    // The box the frames are shown in, in points, as options.json gives it.
    std::uint32_t boxWidth{0};
    std::uint32_t boxHeight{0};
    // The text of options.json.
    std::string options;
    // Draws one frame onto a clear canvas; `phase` runs from 0 (first frame) towards 1.
    std::function<void(Canvas&, float phase)> drawFrame;
};

const std::vector<SampleSequence>& sampleSequences();

// The file name of frame `number` (counted from 1).
std::string frameName(const SampleSequence& sequence, int number);

// Draws frame `number` (counted from 1) of the sequence.
platform::Ref<platform::CGImage> drawFrame(const SampleSequence& sequence, int number);

} // namespace velorin::samples
