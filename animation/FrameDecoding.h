// Reading and decoding a showing's frames, in playing order, within the memory budget.
//
// Each frame is read (within the frame file limit), its header gives the size its pixels will
// take, and only when that fits in what is left of the budget are the pixels allocated and
// decoded. A frame that cannot be read or decoded is left out and takes nothing from the
// budget; the first frame that does not fit, and every frame after it, are left out too.
#pragma once

#include "platform/display/Image.h"

#include <cstddef>
#include <string>
#include <vector>

namespace velorin {

// The decoded frames at `locations` (in playing order) that fit in `budgetBytes`.
std::vector<Ref<platform::CGImage>>
decodeFramesWithinBudget(const std::vector<std::string>& locations, std::size_t budgetBytes);

} // namespace velorin
