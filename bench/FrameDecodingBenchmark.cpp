// Decoding cost per frame, which every showing pays for every frame, and
// the peak decoded bytes a showing holds. A drawn frame of the comparison's kind (libpng's
// adaptive filters at level 6) is also decoded by libpng alone and by the decoder's fast path
// with each unfilter kernel this processor runs, so that a kernel's gain can be read as a
// ratio of processor times.
#include "bench/comparison/GeneratedSequences.h"
#include "platform/display/Image.h"
#include "platform/display/PngDecoding.h"

#include <benchmark/benchmark.h>

namespace {

std::vector<std::uint8_t> drawnFrame(std::uint32_t side) {
    auto image = platform::CGImage::create(side, side, velorin::bench::drawFrame(side, 7, 60));
    return platform::encodePng(*image);
}

void decodeDrawnFrameWithLibpng(benchmark::State& state) {
    auto bytes = drawnFrame(static_cast<std::uint32_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::decodePngWithLibpng(bytes));
}
BENCHMARK(decodeDrawnFrameWithLibpng)->Arg(300)->Arg(600)->Arg(1200);

// The argument after the side is the kernel's place in the processor's list.
void decodeDrawnFrameWithFastPath(benchmark::State& state) {
    auto kernels = platform::png::availableUnfilterKernels();
    auto place = static_cast<std::size_t>(state.range(1));
    if (place >= kernels.size()) {
        state.SkipWithError("this processor has no such kernel");
        return;
    }
    auto bytes = drawnFrame(static_cast<std::uint32_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::decodePngWithFastPath(bytes, kernels[place]));
}
BENCHMARK(decodeDrawnFrameWithFastPath)->ArgsProduct({{300, 600, 1200}, {0, 1, 2}});

std::vector<std::uint8_t> encodedFrame(std::uint32_t side) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(side) * side * 4);
    for (std::size_t index = 0; index < pixels.size(); ++index)
        pixels[index] = static_cast<std::uint8_t>((index * 37) ^ (index >> 9));
    auto image = platform::CGImage::create(side, side, std::move(pixels));
    return platform::encodePng(*image);
}

void decodeFrame(benchmark::State& state) {
    auto bytes = encodedFrame(static_cast<std::uint32_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::decodePng(bytes));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(decodeFrame)->Arg(150)->Arg(300)->Arg(600);

void decodeShowing(benchmark::State& state) {
    // A showing holds every decoded frame at once; this reports how much that is.
    auto bytes = encodedFrame(150);
    platform::resetPeakImageBytes();
    for (auto _ : state) {
        std::vector<platform::Ref<platform::CGImage>> frames;
        for (int frame = 0; frame < 60; ++frame)
            frames.push_back(platform::decodePng(bytes));
        benchmark::DoNotOptimize(frames);
    }
    state.counters["peakDecodedBytes"] = static_cast<double>(platform::imageStatistics().peakBytes);
}
BENCHMARK(decodeShowing);

} // namespace
