// The names of an imported sequence's frame files.
//
// The device orders frames by a number read from a window of each name: the window starts at
// the position of the first digit in the first name it lists (the prefix's length, 5 for
// "frame") and is as many characters wide. Names made of "frame", a number with leading zeros
// and ".png" keep the whole number inside that window whichever name is listed first: four
// digits ("frame0001.png", window "0001.") up to 9,999 frames, five ("frame00001.png") up to
// 99,999, the most the window can hold.
#pragma once

#include <string>

namespace velorin::tools {

inline constexpr int mostSequenceFrames = 99999;

// The name of frame `index` (from 0) of `count` (1 to `mostSequenceFrames`); frames are
// numbered from 1.
std::string sequenceFrameName(int index, int count);

} // namespace velorin::tools
