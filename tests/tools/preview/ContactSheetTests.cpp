#include "tools/preview/ContactSheet.h"

#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

TEST(ContactSheetTest, TilesAreEvenlySpacedFromTheFirstFrameToTheLast) {
    EXPECT_TRUE(ContactSheet::chooseTiles(0).empty());
    EXPECT_EQ(ContactSheet::chooseTiles(1), std::vector<int>{0});
    EXPECT_EQ(ContactSheet::chooseTiles(3), (std::vector<int>{0, 1, 2}));
    auto tiles = ContactSheet::chooseTiles(240);
    ASSERT_EQ(tiles.size(), 12u);
    EXPECT_EQ(tiles.front(), 0);
    EXPECT_EQ(tiles.back(), 239);
    for (std::size_t tile = 1; tile < tiles.size(); ++tile)
        EXPECT_NEAR(tiles[tile] - tiles[tile - 1], 239.0 / 11, 1.0);
}

TEST(ContactSheetTest, ScalingDownAveragesThePixelsEachTargetPixelCovers) {
    // Two columns: black and white, scaled to one pixel, give grey.
    FramePixels image{2, 1, {0, 0, 0, 255, 255, 255, 255, 255}};
    auto scaled = scaleDown(image, 1, 1);
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->pixels(), (platform::PixelBytes{128, 128, 128, 255}));
    EXPECT_FALSE(scaleDown(image, 0, 1));
}

TEST(ContactSheetTest, TheSheetHoldsOneTileForEachChosenFrameWithItsTimeBeneathIt) {
    ContactSheet sheet(2, 100, 80);
    FramePixels frame{100, 80, platform::PixelBytes(100 * 80 * 4, 255)};
    EXPECT_FALSE(sheet.assemble());
    sheet.add(0, 0.0, frame);
    sheet.add(1, 0.5, frame);
    auto assembled = sheet.assemble();
    ASSERT_TRUE(assembled);
    // Two cells side by side, as wide as their tiles, which are wider than their labels.
    EXPECT_EQ(assembled->width(), 16u + 2 * (100u + 16u));
    // A white tile pixel at the first cell's top left corner, after the margin.
    EXPECT_EQ(assembled->pixelAt(16, 16)[0], 255);
    // Beneath each tile its label is set in light text on the dark sheet.
    for (std::uint32_t cellLeft : {16u, 16u + 116u}) {
        int lightest = 0;
        for (std::uint32_t y = 16 + 80; y < assembled->height(); ++y) {
            for (std::uint32_t x = cellLeft; x < cellLeft + 100; ++x)
                lightest = std::max(lightest, int{assembled->pixelAt(x, y)[0]});
        }
        EXPECT_GT(lightest, 150) << "no label beneath the tile at " << cellLeft;
    }
}

} // namespace
} // namespace velorin::tools
