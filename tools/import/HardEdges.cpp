#include "tools/import/HardEdges.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_set>

namespace velorin::tools {

namespace {

constexpr std::size_t mostHardEdgedColours = 256;
// Neighbours this far apart (summed over the four channels) make an edge worth a ramp.
constexpr int edgeContrast = 48;

std::uint32_t colourAt(std::span<const std::uint8_t> pixels, std::size_t index) {
    const std::uint8_t* pixel = pixels.data() + index * 4;
    return std::uint32_t{pixel[0]} | std::uint32_t{pixel[1]} << 8 | std::uint32_t{pixel[2]} << 16 |
           std::uint32_t{pixel[3]} << 24;
}

int contrast(std::uint32_t first, std::uint32_t second) {
    int sum = 0;
    for (int shift = 0; shift < 32; shift += 8)
        sum += std::abs(static_cast<int>((first >> shift) & 0xff) -
                        static_cast<int>((second >> shift) & 0xff));
    return sum;
}

// Whether `middle` is a blend of `before` and `after`, as anti-aliasing makes on an edge: the
// same share of the way from one to the other in every channel that changes. A colour of its
// own between two others (an outline in pixel art) is not.
bool isRamp(std::uint32_t before, std::uint32_t middle, std::uint32_t after) {
    if (middle == before || middle == after || contrast(before, after) < edgeContrast)
        return false;
    double lowestShare = 1;
    double highestShare = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        int from = static_cast<int>((before >> shift) & 0xff);
        int to = static_cast<int>((after >> shift) & 0xff);
        int value = static_cast<int>((middle >> shift) & 0xff);
        if (std::abs(to - from) < 16) {
            if (std::abs(value - from) > 16 && std::abs(value - to) > 16)
                return false;
            continue;
        }
        double share = static_cast<double>(value - from) / (to - from);
        lowestShare = std::min(lowestShare, share);
        highestShare = std::max(highestShare, share);
    }
    return lowestShare > 0 && highestShare < 1 && highestShare - lowestShare <= 0.2;
}

} // namespace

bool hasHardEdges(std::span<const std::uint8_t> pixels, std::uint32_t width, std::uint32_t height) {
    std::unordered_set<std::uint32_t> colours;
    std::size_t edges = 0;
    std::size_t ramps = 0;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            std::size_t index = std::size_t{y} * width + x;
            std::uint32_t colour = colourAt(pixels, index);
            if (colours.insert(colour).second && colours.size() > mostHardEdgedColours)
                return false;
            if (x + 1 < width && colourAt(pixels, index + 1) != colour)
                ++edges;
            if (y + 1 < height && colourAt(pixels, index + width) != colour)
                ++edges;
            if (x > 0 && x + 1 < width &&
                isRamp(colourAt(pixels, index - 1), colour, colourAt(pixels, index + 1)))
                ++ramps;
            if (y > 0 && y + 1 < height &&
                isRamp(colourAt(pixels, index - width), colour, colourAt(pixels, index + width)))
                ++ramps;
        }
    }
    return ramps * 10 < edges || edges == 0;
}

ResizeFilter chooseResizeFilter(std::span<const std::uint8_t> pixels, std::uint32_t width,
                                  std::uint32_t height, std::uint32_t outputWidth,
                                  std::uint32_t outputHeight) {
    bool enlarged = outputWidth >= width && outputHeight >= height &&
                    (outputWidth > width || outputHeight > height);
    return enlarged && hasHardEdges(pixels, width, height) ? ResizeFilter::NearestNeighbour
                                                           : ResizeFilter::Smooth;
}

std::vector<std::uint8_t> nearestResizeRgba(std::span<const std::uint8_t> pixels,
                                            std::uint32_t width, std::uint32_t height,
                                            std::uint32_t outputWidth, std::uint32_t outputHeight) {
    std::vector<std::uint32_t> columns(outputWidth);
    for (std::uint32_t x = 0; x < outputWidth; ++x)
        columns[x] = static_cast<std::uint32_t>((std::uint64_t{x} * 2 + 1) * width /
                                                (std::uint64_t{outputWidth} * 2));
    std::vector<std::uint8_t> output(std::size_t{outputWidth} * outputHeight * 4);
    for (std::uint32_t y = 0; y < outputHeight; ++y) {
        auto row = static_cast<std::uint32_t>((std::uint64_t{y} * 2 + 1) * height /
                                              (std::uint64_t{outputHeight} * 2));
        const std::uint8_t* from = pixels.data() + std::size_t{row} * width * 4;
        std::uint8_t* to = output.data() + std::size_t{y} * outputWidth * 4;
        for (std::uint32_t x = 0; x < outputWidth; ++x)
            std::copy_n(from + std::size_t{columns[x]} * 4, 4, to + std::size_t{x} * 4);
    }
    return output;
}

} // namespace velorin::tools
