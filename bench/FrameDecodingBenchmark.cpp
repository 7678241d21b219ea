// Decoding cost per frame, which every showing pays for every frame, and
// the peak decoded bytes a showing holds.
#include "platform/display/Image.h"

#include <benchmark/benchmark.h>

namespace {

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
