// Resizing frames in premultiplied space: edges against transparency keep their colour.
#include "tests/tools/import/TestMedia.h"
#include "tools/import/FrameRotation.h"
#include "tools/import/PremultipliedResize.h"

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
