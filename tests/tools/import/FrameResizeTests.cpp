// Resizing frames in premultiplied space: edges against transparency keep their colour; a
// picture with hard edges (pixel art) is enlarged by repeating its pixels.
#include "tests/tools/import/TestMedia.h"
#include "tools/import/FrameRotation.h"
#include "tools/import/HardEdges.h"
#include "tools/import/PremultipliedResize.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/display.h>
}

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

// A soft disc: its edge ramps from the background to the disc's colour over a few pixels, as
// anti-aliasing draws it.
Picture softDisc(std::uint32_t side) {
    Picture disc = Picture::filled(side, side, {20, 20, 40, 255});
    double centre = side / 2.0;
    for (std::uint32_t y = 0; y < side; ++y) {
        for (std::uint32_t x = 0; x < side; ++x) {
            double distance = std::hypot(x + 0.5 - centre, y + 0.5 - centre);
            double cover = std::clamp((side * 0.35 - distance) / 3 + 0.5, 0.0, 1.0);
            auto mix = [&](int from, int to) {
                return static_cast<std::uint8_t>(std::lround(from + (to - from) * cover));
            };
            disc.paint(x, y, 1, 1, {mix(20, 250), mix(20, 200), mix(40, 30), 255});
        }
    }
    return disc;
}

TEST(ImportFrameResize, HardEdgesAreEnlargedByRepeatingPixelsAndSoftOnesSmoothly) {
    // An 8x8 sprite of three colours.
    Picture sprite = Picture::filled(8, 8, testing::clear)
                         .paint(2, 2, 4, 4, {250, 60, 20, 255})
                         .paint(3, 3, 2, 2, {255, 255, 255, 255});
    EXPECT_TRUE(hasHardEdges(sprite.pixels, 8, 8));
    EXPECT_TRUE(hasHardEdges(Picture::filled(1, 1, {1, 2, 3, 255}).pixels, 1, 1));
    EXPECT_FALSE(hasHardEdges(softDisc(64).pixels, 64, 64));
    // More colours than any palette of pixel art.
    Picture ramp = Picture::filled(300, 1, {});
    for (std::uint32_t x = 0; x < 300; ++x)
        ramp.paint(
            x, 0, 1, 1,
            {static_cast<std::uint8_t>(x % 256), static_cast<std::uint8_t>(x / 256), 0, 255});
    EXPECT_FALSE(hasHardEdges(ramp.pixels, 300, 1));

    EXPECT_EQ(chooseResizeFilter(sprite.pixels, 8, 8, 36, 36), ResizeFilter::NearestNeighbour);
    EXPECT_EQ(chooseResizeFilter(sprite.pixels, 8, 8, 4, 4), ResizeFilter::Smooth);
    EXPECT_EQ(chooseResizeFilter(sprite.pixels, 8, 8, 8, 8), ResizeFilter::Smooth);
    EXPECT_EQ(chooseResizeFilter(softDisc(64).pixels, 64, 64, 128, 128), ResizeFilter::Smooth);

    // Four and a half times as large: every pixel is one of the sprite's, and the pixel under
    // each output pixel's centre.
    auto enlarged = nearestResizeRgba(sprite.pixels, 8, 8, 36, 36);
    ASSERT_EQ(enlarged.size(), 36u * 36 * 4);
    for (std::uint32_t y = 0; y < 36; ++y) {
        for (std::uint32_t x = 0; x < 36; ++x) {
            Color expected = sprite.at(static_cast<std::uint32_t>((x + 0.5) * 8 / 36),
                                       static_cast<std::uint32_t>((y + 0.5) * 8 / 36));
            const std::uint8_t* pixel = enlarged.data() + (std::size_t{y} * 36 + x) * 4;
            ASSERT_TRUE(pixel[0] == expected.red && pixel[1] == expected.green &&
                        pixel[2] == expected.blue && pixel[3] == expected.alpha)
                << x << "," << y;
        }
    }
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

// Where the display matrix itself puts each pixel: (p, q) about the frame's centre, x to the
// right and y down, goes to (a p + c q, b p + d q).
std::vector<std::uint8_t> shownAsTheMatrixSays(const std::vector<std::uint8_t>& pixels, int width,
                                               int height, const std::int32_t (&matrix)[9],
                                               int& shownWidth, int& shownHeight) {
    auto entry = [&](int index) { return static_cast<int>(std::lround(matrix[index] / 65536.0)); };
    const int a = entry(0), b = entry(1), c = entry(3), d = entry(4);
    shownWidth = std::abs(a) * width + std::abs(c) * height;
    shownHeight = std::abs(b) * width + std::abs(d) * height;
    std::vector<std::uint8_t> shown(pixels.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Doubled, so that pixel centres stay whole numbers.
            int p = 2 * x + 1 - width;
            int q = 2 * y + 1 - height;
            int toX = (a * p + c * q + shownWidth - 1) / 2;
            int toY = (b * p + d * q + shownHeight - 1) / 2;
            std::copy_n(pixels.begin() + (y * width + x) * 4, 4,
                        shown.begin() + (toY * shownWidth + toX) * 4);
        }
    }
    return shown;
}

TEST(ImportFrameResize, EveryTurnAndMirrorOfADisplayMatrixShowsAsTheMatrixPlacesIt) {
    // Six pixels of distinct colours, so that any misplaced pixel shows.
    std::vector<std::uint8_t> pixels;
    for (std::uint8_t index = 0; index < 6; ++index)
        pixels.insert(pixels.end(), {static_cast<std::uint8_t>(40 * index), 7, 9, 255});
    for (double turn : {0.0, 90.0, 180.0, 270.0, -90.0}) {
        for (int mirrorColumns : {0, 1}) {
            for (int mirrorRows : {0, 1}) {
                SCOPED_TRACE(::testing::Message()
                             << "turn " << turn << ", mirrored " << mirrorColumns << mirrorRows);
                std::int32_t matrix[9];
                av_display_rotation_set(matrix, turn);
                av_display_matrix_flip(matrix, mirrorColumns, mirrorRows);
                int expectedWidth = 0;
                int expectedHeight = 0;
                auto expected =
                    shownAsTheMatrixSays(pixels, 3, 2, matrix, expectedWidth, expectedHeight);
                std::uint32_t width = 3;
                std::uint32_t height = 2;
                auto shown =
                    orientUpright(pixels, width, height,
                                  uprightOrientation(-av_display_rotation_get(matrix), matrix));
                EXPECT_EQ(width, static_cast<std::uint32_t>(expectedWidth));
                EXPECT_EQ(height, static_cast<std::uint32_t>(expectedHeight));
                EXPECT_EQ(shown, expected);
            }
        }
    }
}

} // namespace
} // namespace velorin::tools
