// The one compositor both animated-image readers draw with: blending by alpha, clipping to
// the canvas, and the three disposals, checked pixel by pixel.
#include "tools/import/sources/FrameCompositing.h"

#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

using Pixel = std::array<int, 4>;

Pixel pixelAt(const FrameCompositor& compositor, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t* pixel = compositor.canvas().data() + (y * compositor.width() + x) * 4;
    return {pixel[0], pixel[1], pixel[2], pixel[3]};
}

// Draws a frame of one colour in `area` and shows it.
void drawFilled(FrameCompositor& compositor, const FrameArea& area, Pixel color, FrameBlend blend,
                FrameDisposal disposal = FrameDisposal::Keep) {
    std::vector<std::uint8_t> row;
    for (std::uint32_t x = 0; x < area.width; ++x)
        for (int channel : color)
            row.push_back(static_cast<std::uint8_t>(channel));
    compositor.begin(area, disposal);
    for (std::uint32_t y = 0; y < area.height; ++y)
        compositor.drawRow(y, row.data(), blend);
}

constexpr Pixel clear{0, 0, 0, 0};
constexpr Pixel red{255, 0, 0, 255};
constexpr Pixel green{0, 255, 0, 255};

TEST(FrameCompositing, FramesPastTheCanvasAreClippedAndKeepTheEarlierPicture) {
    FrameCompositor compositor(3, 2);
    drawFilled(compositor, {0, 0, 3, 2}, red, FrameBlend::Replace);
    compositor.end();
    // Reaches past the right and bottom edges, and one starts left of and above the canvas.
    drawFilled(compositor, {2, 1, 5, 5}, green, FrameBlend::Replace);
    compositor.end();
    drawFilled(compositor, {-4, -4, 5, 5}, green, FrameBlend::Over);
    compositor.end();
    EXPECT_EQ(pixelAt(compositor, 0, 0), green);
    EXPECT_EQ(pixelAt(compositor, 1, 0), red);
    EXPECT_EQ(pixelAt(compositor, 0, 1), red);
    EXPECT_EQ(pixelAt(compositor, 2, 1), green);
    // Wholly outside, beside or below the canvas: nothing changes, and disposing of it touches
    // nothing either.
    for (FrameDisposal disposal : {FrameDisposal::ClearToTransparent,
                                   FrameDisposal::RestorePrevious}) {
        drawFilled(compositor, {7, 0, 2, 2}, clear, FrameBlend::Replace, disposal);
        compositor.end();
        drawFilled(compositor, {0, 2, 3, 1}, clear, FrameBlend::Replace, disposal);
        compositor.end();
    }
    EXPECT_EQ(pixelAt(compositor, 1, 0), red);
    EXPECT_EQ(pixelAt(compositor, 2, 1), green);
}

TEST(FrameCompositing, OverBlendsStraightAlphaAndReplaceTakesTransparencyToo) {
    FrameCompositor compositor(2, 1);
    drawFilled(compositor, {0, 0, 2, 1}, green, FrameBlend::Replace);
    compositor.end();
    drawFilled(compositor, {0, 0, 1, 1}, {255, 0, 0, 128}, FrameBlend::Over);
    compositor.end();
    // Half red over opaque green: opaque, half and half.
    EXPECT_EQ(pixelAt(compositor, 0, 0), (Pixel{128, 127, 0, 255}));
    drawFilled(compositor, {1, 0, 1, 1}, {255, 0, 0, 0}, FrameBlend::Over);
    compositor.end();
    EXPECT_EQ(pixelAt(compositor, 1, 0), green) << "a transparent pixel laid over changes nothing";
    drawFilled(compositor, {1, 0, 1, 1}, {255, 0, 0, 0}, FrameBlend::Replace);
    compositor.end();
    EXPECT_EQ(pixelAt(compositor, 1, 0), (Pixel{255, 0, 0, 0}));

    // Two half-transparent layers on a transparent canvas: the alphas unite.
    FrameCompositor layered(1, 1);
    drawFilled(layered, {0, 0, 1, 1}, {0, 0, 255, 128}, FrameBlend::Over);
    layered.end();
    drawFilled(layered, {0, 0, 1, 1}, {255, 0, 0, 128}, FrameBlend::Over);
    layered.end();
    EXPECT_EQ(pixelAt(layered, 0, 0), (Pixel{170, 0, 85, 192}));
}

TEST(FrameCompositing, DisposalsLeaveClearOrGiveBackTheFramesAreaOnly) {
    FrameCompositor compositor(3, 1);
    drawFilled(compositor, {0, 0, 3, 1}, red, FrameBlend::Replace);
    compositor.end();
    drawFilled(compositor, {1, 0, 1, 1}, green, FrameBlend::Replace,
               FrameDisposal::RestorePrevious);
    EXPECT_EQ(pixelAt(compositor, 1, 0), green) << "shown before it is disposed of";
    compositor.end();
    EXPECT_EQ(pixelAt(compositor, 1, 0), red);
    drawFilled(compositor, {2, 0, 4, 1}, green, FrameBlend::Replace,
               FrameDisposal::ClearToTransparent);
    compositor.end();
    EXPECT_EQ(pixelAt(compositor, 0, 0), red);
    EXPECT_EQ(pixelAt(compositor, 1, 0), red);
    EXPECT_EQ(pixelAt(compositor, 2, 0), clear);
    drawFilled(compositor, {0, 0, 1, 1}, green, FrameBlend::Replace, FrameDisposal::Keep);
    compositor.end();
    EXPECT_EQ(pixelAt(compositor, 0, 0), green);
}

} // namespace
} // namespace velorin::tools
