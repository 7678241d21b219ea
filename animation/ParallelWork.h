// Work spread over the processors this process may run on, for jobs that are independent of one
// another: decoding a showing's frames, and the tools' reading of a whole sequence.
//
// The calling thread takes part, and every helper thread is joined before the call returns, so
// no thread outlives it. A helper that cannot be started leaves its share to the others; with
// none the calling thread does everything. Jobs run in no particular order and must not throw.
#pragma once

#include <cstddef>
#include <functional>

namespace velorin {

// How many processors this process may run on now, at least 1.
std::size_t processorCount();

// Runs `job(index)` once for every index below `count`, on at most `threadCount` threads, the
// calling one included.
void runInParallel(std::size_t count, std::size_t threadCount,
                   const std::function<void(std::size_t)>& job) noexcept;

} // namespace velorin
