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

TEST(ContactSheetTest, TheSheetHoldsOneTileForEachChosenFrame) {
    ContactSheet sheet(2, 40, 80);
    FramePixels frame{40, 80, platform::PixelBytes(40 * 80 * 4, 255)};
    EXPECT_FALSE(sheet.assemble());
    sheet.add(0, 0.0, frame);
    sheet.add(1, 0.5, frame);
    auto assembled = sheet.assemble();
    ASSERT_TRUE(assembled);
    // Two cells side by side, each as wide as its label "0.50 s" (70 pixels) or the tile.
    EXPECT_EQ(assembled->width(), 16u + 2 * (70u + 16u));
    // A white tile pixel at the first cell's top left corner, after the margin and centring.
    EXPECT_EQ(assembled->pixelAt(16 + 15, 16)[0], 255);
}

} // namespace
} // namespace velorin::tools
