#include "bench/comparison/GeneratedSequences.h"

#include "bench/comparison/BarePngWriting.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <thread>

namespace velorin::bench {

namespace {

namespace fs = std::filesystem;

constexpr int dotCount = 12;

double clamp01(double value) {
    return std::clamp(value, 0.0, 1.0);
}

// Straight-alpha `top` over `bottom`.
struct Color {
    double red, green, blue, alpha;
};

Color over(const Color& top, const Color& bottom) {
    double alpha = top.alpha + bottom.alpha * (1 - top.alpha);
    if (alpha <= 0)
        return {0, 0, 0, 0};
    auto mix = [&](double upper, double lower) {
        return (upper * top.alpha + lower * bottom.alpha * (1 - top.alpha)) / alpha;
    };
    return {mix(top.red, bottom.red), mix(top.green, bottom.green), mix(top.blue, bottom.blue),
            alpha};
}

// A small, fixed grain in the colours, as drawn and resampled artwork has: without it the
// frames would compress far better than real ones.
double grain(std::uint32_t x, std::uint32_t y, int frame, int channel) {
    std::uint32_t hash = x * 73856093u ^ y * 19349663u ^
                         static_cast<std::uint32_t>(frame) * 83492791u ^
                         static_cast<std::uint32_t>(channel) * 2654435761u;
    hash ^= hash >> 13;
    hash *= 0x5bd1e995u;
    hash ^= hash >> 15;
    switch (hash % 8) {
    case 0:
        return -1;
    case 1:
        return 1;
    default:
        return 0;
    }
}

} // namespace

std::vector<std::uint8_t> drawFrame(std::uint32_t side, int frame, int frameCount) {
    std::vector<std::uint8_t> pixels(std::size_t{side} * side * 4);
    double size = side;
    double centre = size / 2;
    double phase = static_cast<double>(frame) / frameCount;
    double discRadius = 0.36 * size;
    double edge = 0.03 * size;
    double highlightAngle = 2 * std::numbers::pi * phase;
    double highlightX = centre + 0.18 * size * std::cos(highlightAngle);
    double highlightY = centre + 0.18 * size * std::sin(highlightAngle);
    double highlightSpread = 2 * std::pow(0.08 * size, 2);
    double dotRadius = 0.025 * size;
    double ringRadius = 0.44 * size;
    for (std::uint32_t y = 0; y < side; ++y) {
        for (std::uint32_t x = 0; x < side; ++x) {
            double px = x + 0.5 - centre;
            double py = y + 0.5 - centre;
            double distance = std::hypot(px, py);
            Color disc{0, 0, 0, clamp01((discRadius - distance) / edge + 0.5)};
            if (disc.alpha > 0) {
                double along = clamp01(distance / discRadius);
                double turn = 0.5 + 0.5 * std::sin(std::atan2(py, px) * 2 + phase * 6.283);
                disc.red = 255 - 25 * along;
                disc.green = 190 - 120 * along + 20 * turn;
                disc.blue = 80 + 50 * along + 30 * turn;
                double toHighlight =
                    std::pow(x + 0.5 - highlightX, 2) + std::pow(y + 0.5 - highlightY, 2);
                double highlight = 0.8 * std::exp(-toHighlight / highlightSpread);
                disc.red += (255 - disc.red) * highlight;
                disc.green += (255 - disc.green) * highlight;
                disc.blue += (255 - disc.blue) * highlight;
            }
            Color dots{240, 240, 255, 0};
            for (int dot = 0; dot < dotCount; ++dot) {
                double dotAngle = 2 * std::numbers::pi * (dot / double(dotCount) + phase / 4);
                double dx = px - ringRadius * std::cos(dotAngle);
                double dy = py - ringRadius * std::sin(dotAngle);
                double reach = std::hypot(dx, dy);
                if (reach < dotRadius + 1)
                    dots.alpha = std::max(dots.alpha, clamp01(dotRadius - reach + 0.5));
            }
            Color result = over(dots, disc);
            std::uint8_t* out = pixels.data() + (std::size_t{y} * side + x) * 4;
            if (result.alpha <= 0) {
                std::fill(out, out + 4, 0);
                continue;
            }
            double channels[3] = {result.red, result.green, result.blue};
            for (int channel = 0; channel < 3; ++channel)
                out[channel] = static_cast<std::uint8_t>(std::clamp(
                    std::lround(channels[channel] + grain(x, y, frame, channel)), 0L, 255L));
            out[3] = static_cast<std::uint8_t>(std::lround(result.alpha * 255));
        }
    }
    return pixels;
}

namespace {

std::string frameName(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "frame%03d.png", index + 1);
    return name;
}

} // namespace

std::string SequenceShape::name() const {
    return std::to_string(frameCount) + "x" + std::to_string(side);
}

std::string sequenceDevicePath(const SequenceShape& shape) {
    return "var/jb/vod/Library/Velorin/chargingSequences/" + shape.name() + "/";
}

std::vector<fs::path> makeSequence(const fs::path& root, const SequenceShape& shape) {
    fs::path folder = root / sequenceDevicePath(shape);
    fs::path complete = folder / ".complete";
    std::vector<fs::path> files;
    for (int index = 0; index < shape.frameCount; ++index)
        files.push_back(folder / frameName(index));
    if (fs::exists(complete))
        return files;
    fs::create_directories(folder);
    // Drawn on every processor: the frames are independent.
    std::atomic<int> next{0};
    auto draw = [&] {
        for (int index = next++; index < shape.frameCount; index = next++)
            writeBarePng(files[static_cast<std::size_t>(index)],
                         drawFrame(shape.side, index, shape.frameCount).data(), shape.side,
                         shape.side, {});
    };
    std::vector<std::thread> helpers;
    for (unsigned helper = 1; helper < std::max(1u, std::thread::hardware_concurrency()); ++helper)
        helpers.emplace_back(draw);
    draw();
    for (auto& helper : helpers)
        helper.join();
    std::ofstream(complete) << "drawn\n";
    return files;
}

} // namespace velorin::bench
