// How long ordering a sequence's frame names takes, for folders of typical and large size.
#include "sequences/FrameOrdering.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>

namespace {

std::vector<std::string> shuffledNames(std::size_t count) {
    std::vector<std::string> names;
    names.reserve(count);
    for (std::size_t index = 1; index <= count; ++index) {
        char name[32];
        std::snprintf(name, sizeof name, "frame%05zu.png", index);
        names.emplace_back(name);
    }
    std::shuffle(names.begin(), names.end(), std::mt19937(7));
    return names;
}

void orderFrameNames(benchmark::State& state) {
    auto names = shuffledNames(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(velorin::sortArrayByNumbersInString(names));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(orderFrameNames)->Arg(60)->Arg(600)->Arg(6000);

} // namespace
