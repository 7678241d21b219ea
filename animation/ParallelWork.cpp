#include "animation/ParallelWork.h"

#include <algorithm>
#include <atomic>
#include <sched.h>
#include <thread>
#include <vector>

namespace velorin {

std::size_t processorCount() {
    cpu_set_t processors;
    CPU_ZERO(&processors);
    if (::sched_getaffinity(0, sizeof processors, &processors) != 0)
        return 1;
    return static_cast<std::size_t>(std::max(1, CPU_COUNT(&processors)));
}

void runInParallel(std::size_t count, std::size_t threadCount,
                   const std::function<void(std::size_t)>& job) noexcept {
    std::atomic<std::size_t> next{0};
    auto work = [&job, &next, count] {
        for (std::size_t taken = next++; taken < count; taken = next++)
            job(taken);
    };
    std::size_t wanted = std::min(threadCount, count);
    std::vector<std::thread> helpers;
    // Room for every helper first, so that nothing can throw while one is running.
    try {
        helpers.reserve(wanted);
    } catch (...) {
        wanted = 0;
    }
    for (std::size_t helper = 1; helper < wanted; ++helper) {
        try {
            helpers.emplace_back(work);
        } catch (...) {
            break;
        }
    }
    work();
    for (auto& helper : helpers)
        helper.join();
}

} // namespace velorin
