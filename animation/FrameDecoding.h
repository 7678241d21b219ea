// Reading and decoding a showing's frames, in playing order, within the memory budget, on
// every processor the host process may use.
//
// The result is exactly that of reading and decoding the frames one after another: each frame's
// header gives the size its pixels will take, and only when that fits in what is left of the
// budget are its pixels allocated and decoded; a frame that cannot be read or decoded is left out
// and takes nothing from the budget; the first frame that does not fit, and every frame after
// it, are left out too.
//
// To get there faster, frames are admitted in order on the assumption that every one decodes,
// decoded side by side, and then taken in order as the one-by-one reading would take them.
// Assuming success only ever admits fewer frames, never more; when a frame failed and so left
// room for frames that were not admitted, those are decoded in a further round.
//
// Threads: at most one per processor this process may run on, the calling thread included (so
// no helper at all with one processor), and never more than there are frames to decode in a
// round, read files and decode into plain pixel buffers. They touch no object or counter of the
// platform: the images are made from the buffers on the calling thread, after every helper thread
// has been joined, so the host never sees a thread of the extension's outside this call. A thread
// that cannot be started leaves its share to the others.
#pragma once

#include "animation/ParallelWork.h"
#include "platform/display/Image.h"

#include <cstddef>
#include <string>
#include <vector>

namespace velorin {

// The decoded frames at `locations` (in playing order) that fit in `budgetBytes`, decoded by
// at most `threadCount` threads, the calling one included.
std::vector<platform::Ref<platform::CGImage>>
decodeFramesWithinBudget(const std::vector<std::string>& locations, std::size_t budgetBytes,
                         std::size_t threadCount = processorCount());

} // namespace velorin
