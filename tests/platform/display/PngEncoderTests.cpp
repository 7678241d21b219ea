// PNG encoding into each colour type, read back through the decoder.

#include "DisplayTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace display_testing;
using platform::PngColorType;
using platform::PngEncoding;

// The colour type byte of an encoded file's header.
int storedColorType(const std::vector<std::uint8_t>& png) {
    return png.at(chunkOffset(png, "IHDR") + 8 + 9);
}
int storedBitDepth(const std::vector<std::uint8_t>& png) {
    return png.at(chunkOffset(png, "IHDR") + 8 + 8);
}

std::vector<Pixel> pixelsOf(const platform::CGImage& image) {
    std::vector<Pixel> pixels;
    for (std::uint32_t y = 0; y < image.height(); ++y) {
        for (std::uint32_t x = 0; x < image.width(); ++x)
            pixels.push_back(pixelAt(image, x, y));
    }
    return pixels;
}

std::vector<Pixel> roundTrip(const platform::CGImage& image, PngEncoding encoding) {
    auto png = platform::encodePng(image, encoding);
    if (png.empty())
        return {};
    auto decoded = platform::decodePng(png);
    return decoded ? pixelsOf(*decoded) : std::vector<Pixel>{};
}

TEST(PngEncoder, RefusesWhatTheFormatCannotHold) {
    auto image = solidImage(2, 2, {1, 2, 3, 255});
    EXPECT_TRUE(platform::encodePng(*image, {PngColorType::Gray, 3}).empty());
    EXPECT_TRUE(platform::encodePng(*image, {PngColorType::RGB, 4}).empty());
    EXPECT_TRUE(platform::encodePng(*image, {PngColorType::GrayAlpha, 2}).empty());

    std::vector<Pixel> many;
    for (int index = 0; index < 257; ++index)
        many.push_back(
            {static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(index / 256), 0, 255});
    EXPECT_TRUE(platform::encodePng(*imageOf(257, 1, many), {PngColorType::Palette}).empty());
    EXPECT_FALSE(platform::encodePng(*imageOf(256, 1, {many.begin(), many.end() - 1}),
                                     {PngColorType::Palette})
                     .empty());
}

TEST(PngEncoder, RgbaKeepsEveryValueAtEitherDepthAndInterlaced) {
    std::vector<Pixel> pixels;
    for (int index = 0; index < 35; ++index)
        pixels.push_back(
            {static_cast<std::uint8_t>(index * 7), static_cast<std::uint8_t>(255 - index),
             static_cast<std::uint8_t>(index * 3), static_cast<std::uint8_t>(index * 5)});
    auto image = imageOf(7, 5, pixels);
    EXPECT_EQ(roundTrip(*image, {}), pixels);
    EXPECT_EQ(roundTrip(*image, {PngColorType::RGBA, 16}), pixels);
    EXPECT_EQ(roundTrip(*image, {PngColorType::RGBA, 8, platform::PngInterlace::Adam7}), pixels);
    EXPECT_EQ(storedBitDepth(platform::encodePng(*image, {PngColorType::RGBA, 16})), 16);
}

TEST(PngEncoder, RgbDropsAlphaUnlessAColourKeyCanCarryIt) {
    auto translucent = imageOf(2, 1, {{10, 20, 30, 128}, {40, 50, 60, 255}});
    EXPECT_EQ(roundTrip(*translucent, {PngColorType::RGB}),
              (std::vector<Pixel>{{10, 20, 30, 255}, {40, 50, 60, 255}}));

    auto cutOut = imageOf(3, 1, {{0, 0, 0, 0}, {40, 50, 60, 255}, {0, 0, 0, 0}});
    for (int depth : {8, 16}) {
        auto png = platform::encodePng(*cutOut, {PngColorType::RGB, depth});
        EXPECT_EQ(storedColorType(png), 2);
        EXPECT_NE(chunkOffset(png, "tRNS"), 0u) << depth;
        EXPECT_EQ(roundTrip(*cutOut, {PngColorType::RGB, depth}), pixelsOf(*cutOut)) << depth;
    }

    // Opaque black is also the key's colour here, so no key can be used.
    auto clash = imageOf(2, 1, {{0, 0, 0, 0}, {0, 0, 0, 255}});
    EXPECT_EQ(roundTrip(*clash, {PngColorType::RGB}),
              (std::vector<Pixel>{{0, 0, 0, 255}, {0, 0, 0, 255}}));
}

TEST(PngEncoder, GreyExpandsFromEveryDepth) {
    auto ramp = imageOf(
        4, 1, {{0, 0, 0, 255}, {85, 85, 85, 255}, {170, 170, 170, 255}, {255, 255, 255, 255}});
    for (int depth : {2, 4, 8, 16}) {
        auto png = platform::encodePng(*ramp, {PngColorType::Gray, depth});
        EXPECT_EQ(storedColorType(png), 0);
        EXPECT_EQ(storedBitDepth(png), depth);
        EXPECT_EQ(roundTrip(*ramp, {PngColorType::Gray, depth}), pixelsOf(*ramp)) << depth;
    }
    EXPECT_EQ(roundTrip(*ramp, {PngColorType::Gray, 1}),
              (std::vector<Pixel>{
                  {0, 0, 0, 255}, {0, 0, 0, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}}));

    auto colour = imageOf(1, 1, {{255, 0, 0, 255}});
    EXPECT_EQ(roundTrip(*colour, {PngColorType::Gray}), (std::vector<Pixel>{{76, 76, 76, 255}}))
        << "grey is the colour's luma";

    auto withAlpha = imageOf(2, 1, {{200, 200, 200, 10}, {30, 30, 30, 255}});
    EXPECT_EQ(storedColorType(platform::encodePng(*withAlpha, {PngColorType::GrayAlpha})), 4);
    EXPECT_EQ(roundTrip(*withAlpha, {PngColorType::GrayAlpha}), pixelsOf(*withAlpha));
    EXPECT_EQ(roundTrip(*withAlpha, {PngColorType::GrayAlpha, 16}), pixelsOf(*withAlpha));

    auto keyed = imageOf(2, 1, {{9, 9, 9, 0}, {30, 30, 30, 255}});
    EXPECT_EQ(roundTrip(*keyed, {PngColorType::Gray}), pixelsOf(*keyed));
}

TEST(PngEncoder, PaletteImagesKeepTranslucentEntriesAtTheSmallestDepth) {
    auto twoColours = imageOf(3, 1, {{255, 0, 0, 255}, {0, 0, 255, 100}, {255, 0, 0, 255}});
    auto png = platform::encodePng(*twoColours, {PngColorType::Palette});
    EXPECT_EQ(storedColorType(png), 3);
    EXPECT_EQ(storedBitDepth(png), 1);
    EXPECT_NE(chunkOffset(png, "tRNS"), 0u);
    EXPECT_EQ(roundTrip(*twoColours, {PngColorType::Palette}), pixelsOf(*twoColours));

    std::vector<Pixel> seventeen;
    for (int index = 0; index < 17; ++index)
        seventeen.push_back({static_cast<std::uint8_t>(index * 15), 0, 0, 255});
    auto wide = imageOf(17, 1, seventeen);
    auto widePng =
        platform::encodePng(*wide, {PngColorType::Palette, 8, platform::PngInterlace::Adam7});
    EXPECT_EQ(storedBitDepth(widePng), 8);
    EXPECT_EQ(chunkOffset(widePng, "tRNS"), 0u) << "an opaque palette needs no alpha";
    EXPECT_EQ(pixelsOf(*platform::decodePng(widePng)), seventeen);
}

TEST(PngEncoder, WritesFilesAndLeavesNothingBehindOnFailure) {
    auto folder =
        std::filesystem::temp_directory_path() / ("display-png-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    auto image = solidImage(3, 3, {1, 2, 3, 4});
    auto path = (folder / "frame.png").string();
    ASSERT_TRUE(platform::writePngFile(*image, path.c_str()));
    std::vector<std::uint8_t> bytes(std::filesystem::file_size(path));
    FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
    EXPECT_EQ(pixelsOf(*platform::decodePng(bytes)), pixelsOf(*image));

    auto refused = (folder / "refused.png").string();
    EXPECT_FALSE(platform::writePngFile(*image, refused.c_str(), {PngColorType::RGB, 4}));
    EXPECT_FALSE(std::filesystem::exists(refused));
    EXPECT_FALSE(platform::writePngFile(*image, (folder / "missing" / "x.png").string().c_str()));
    EXPECT_FALSE(platform::writePngFile(*image, nullptr));
    std::filesystem::remove_all(folder);
}

TEST(PngEncoder, TheFastSettingsKeepThePictureAndPixelsHeldElsewhereEncodeAsAnImageDoes) {
    // An opaque picture whose rows repeat, as a lock screen's wallpaper does.
    std::vector<std::uint8_t> rgba;
    for (std::uint32_t y = 0; y < 64; ++y) {
        for (std::uint32_t x = 0; x < 48; ++x) {
            std::uint8_t shade = x < 20 && y > 30 ? 200 : static_cast<std::uint8_t>(y * 3);
            rgba.insert(rgba.end(), {shade, static_cast<std::uint8_t>(255 - shade), 40, 255});
        }
    }
    platform::PixelView view{48, 64, rgba};
    auto image = platform::CGImage::create(48, 64, std::span<const std::uint8_t>(rgba));
    ASSERT_TRUE(image);

    PngEncoding fast(PngColorType::RGB);
    fast.compressionLevel = 1;
    fast.rowFilters = platform::PngRowFilters::UpOnly;
    PngEncoding fastOpaque = fast;
    fastOpaque.opacity = platform::PngOpacity::Opaque;
    auto written = platform::encodePng(view, fastOpaque);
    ASSERT_FALSE(written.empty());
    // Known to be opaque, the pixels go to libpng as they are, with the same bytes as a result.
    EXPECT_EQ(written, platform::encodePng(*image, fast));
    EXPECT_EQ(pixelsOf(*platform::decodePng(written)), pixelsOf(*image));
    EXPECT_EQ(storedColorType(written), 2);

    // The level is applied: stored without compression, the file is larger than at the most.
    PngEncoding stored(PngColorType::RGB);
    stored.compressionLevel = 0;
    PngEncoding smallest(PngColorType::RGB);
    smallest.compressionLevel = 9;
    EXPECT_GT(platform::encodePng(view, stored).size(), platform::encodePng(view, smallest).size());
    PngEncoding pastLevels(PngColorType::RGB);
    pastLevels.compressionLevel = 10;
    EXPECT_TRUE(platform::encodePng(view, pastLevels).empty());

    // Pixels that do not fill the size they claim are refused.
    EXPECT_TRUE(platform::encodePng(platform::PixelView{49, 64, rgba}, fastOpaque).empty());
}

} // namespace
