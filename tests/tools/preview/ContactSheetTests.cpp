#include "tools/preview/ContactSheet.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

TEST(ContactSheetTest, TilesAreEvenlySpacedFromTheFirstFrameToTheLast) {
    EXPECT_TRUE(ContactSheet::chooseTiles(-1).empty());
    EXPECT_EQ(ContactSheet::chooseTiles(0), std::vector<int>{0});
    EXPECT_EQ(ContactSheet::chooseTiles(2), (std::vector<int>{0, 1, 2}));
    auto tiles = ContactSheet::chooseTiles(239);
    ASSERT_EQ(tiles.size(), 12u);
    EXPECT_EQ(tiles.front(), 0);
    EXPECT_EQ(tiles.back(), 239);
    for (std::size_t tile = 1; tile < tiles.size(); ++tile)
        EXPECT_NEAR(tiles[tile] - tiles[tile - 1], 239.0 / 11, 1.0);
}

// A showing that plays once is sampled up to its end at four seconds; showings that repeat are
// sampled through the whole preview. Each end or restart has a panel of its own.
TEST(ContactSheetTest, TheSheetSamplesTheShowingWithAPanelAtEachEnd) {
    PreviewSettings eight;
    eight.seconds = 8;
    eight.framesPerSecond = 30;
    ShowingPlan once = planShowings(eight, Looping::Once);
    EXPECT_EQ(once.lastSampledFrame, 120);
    EXPECT_EQ(once.eventFrames, std::vector<int>{120});
    ShowingPlan repeats = planShowings(eight, Looping::Repeats);
    EXPECT_EQ(repeats.lastSampledFrame, 239);
    EXPECT_EQ(repeats.eventFrames, std::vector<int>{120});

    // No frame falls on the end itself: the first one after it.
    PreviewSettings uneven;
    uneven.seconds = 10;
    uneven.framesPerSecond = 3.3;
    EXPECT_EQ(planShowings(uneven, Looping::Repeats).eventFrames, (std::vector<int>{14, 27}));
    // A preview shorter than a showing is sampled whole.
    PreviewSettings short_;
    short_.seconds = 3;
    EXPECT_EQ(planShowings(short_, Looping::Once).lastSampledFrame, 89);
    EXPECT_TRUE(planShowings(short_, Looping::Once).eventFrames.empty());

    auto tiles = ContactSheet::chooseTiles(239, {120});
    ASSERT_EQ(tiles.size(), 12u);
    EXPECT_EQ(tiles.front(), 0);
    EXPECT_EQ(tiles.back(), 239);
    EXPECT_NE(std::find(tiles.begin(), tiles.end(), 120), tiles.end());
    EXPECT_TRUE(std::is_sorted(tiles.begin(), tiles.end()));
    // Events past the last frame sampled, or at the charger's moment, change nothing.
    EXPECT_EQ(ContactSheet::chooseTiles(120, {0, 200}), ContactSheet::chooseTiles(120));
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
    ContactSheet sheet(ContactSheet::chooseTiles(1), 100, 80);
    FramePixels frame{100, 80, platform::PixelBytes(100 * 80 * 4, 255)};
    EXPECT_FALSE(sheet.assemble());
    sheet.add(0, 0.0, "", frame);
    sheet.add(1, 0.5, "", frame);
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

    // A title above the panels makes the sheet taller by its line, and a label that names an
    // event widens its cell.
    ContactSheet titled(ContactSheet::chooseTiles(1), 100, 80, "390 x 844 points");
    titled.add(0, 0.0, "charger in", frame);
    titled.add(1, 4.0, "showing ends", frame);
    auto withTitle = titled.assemble();
    ASSERT_TRUE(withTitle);
    EXPECT_GT(withTitle->height(), assembled->height() + 16);
    EXPECT_GT(withTitle->width(), assembled->width());
}

} // namespace
} // namespace velorin::tools
