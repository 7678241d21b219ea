// Resizing frames in premultiplied space: edges against transparency keep their colour.
#include "tests/tools/import/TestMedia.h"
#include "tools/import/FrameRotation.h"
#include "tools/import/PremultipliedResize.h"

#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

using testing::Color;
using testing::Picture;

// Every pixel of the resized picture that shows at all has exactly the opaque half's colour:
// the invisible colour of the clear half does not bleed in as a dark or light fringe.
void expectNoFringe(Color opaque, Color clear, std::uint32_t outputSide) {
    Picture half = Picture::filled(64, 64, clear).paint(0, 0, 31, 64, opaque);
    auto resized = resizeRgba(half.pixels, 64, 64, outputSide, outputSide);
    ASSERT_EQ(resized.size(), std::size_t{outputSide} * outputSide * 4);
    int partial = 0;
    for (std::size_t at = 0; at < resized.size(); at += 4) {
        if (resized[at + 3] == 0)
            continue;
        partial += resized[at + 3] < 255;
        // Faint pixels carry little precision once unpremultiplied: about 255 / alpha.
        int tolerance = 2 + 255 / resized[at + 3];
        EXPECT_NEAR(resized[at], opaque.red, tolerance);
        EXPECT_NEAR(resized[at + 1], opaque.green, tolerance);
        EXPECT_NEAR(resized[at + 2], opaque.blue, tolerance);
    }
    EXPECT_GT(partial, 0) << "the edge is blended";
}

TEST(ImportFrameResize, TransparentEdgesGetNoFringeShrinkingOrGrowing) {
    expectNoFringe({255, 40, 0, 255}, testing::clear, 20);
    expectNoFringe({255, 40, 0, 255}, testing::clear, 150);
    // FFmpeg's GIF decoder gives clear pixels as transparent white.
    expectNoFringe({0, 0, 0, 255}, {255, 255, 255, 0}, 21);
}

TEST(ImportFrameResize, FlatColoursStayAndQuarterTurnsMovePixels) {
    Picture flat = Picture::filled(30, 10, {12, 200, 99, 128});
    auto resized = resizeRgba(flat.pixels, 30, 10, 7, 3);
    for (std::size_t at = 0; at < resized.size(); at += 4) {
        EXPECT_NEAR(resized[at], 12, 1);
        EXPECT_NEAR(resized[at + 1], 200, 1);
        EXPECT_EQ(resized[at + 3], 128);
    }
    Picture marked = Picture::filled(3, 2, {0, 0, 255, 255}).paint(0, 0, 1, 1, {255, 0, 0, 255});
    std::uint32_t width = 3;
    std::uint32_t height = 2;
    auto turned = turnClockwise(marked.pixels, width, height, 90);
    EXPECT_EQ(width, 2u);
    EXPECT_EQ(height, 3u);
    EXPECT_EQ(turned[(0 * 2 + 1) * 4], 255) << "top left goes to top right";
    EXPECT_EQ(nearestQuarterTurn(-90), 270);
    EXPECT_EQ(nearestQuarterTurn(100), 90);
}

} // namespace
} // namespace velorin::tools
