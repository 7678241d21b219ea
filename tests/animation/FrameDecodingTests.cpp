// Decoding a showing's frames in playing order within a memory budget.
#include "animation/FrameDecoding.h"
#include "animation/FrameLoading.h"
#include "platform/display/Image.h"
#include "platform/display/PngDecoding.h"
#include "tests/support/FrameImages.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

// A 4 × 3 frame takes 48 bytes decoded.
constexpr std::size_t frameBytes = 4 * 3 * 4;

class FrameDecodingTest : public ::testing::Test {
protected:
    // Writes the frame and gives its location; its first pixel's red value names it.
    std::string frame(const std::string& name, std::uint8_t red, std::uint32_t width = 4) {
        root.writeFile("seq/" + name, testing::solidPng(width, 3, red));
        return frameLocation("seq/", name);
    }
    std::string damaged(const std::string& name) {
        auto bytes = testing::solidPng(4, 3, 0);
        bytes.resize(bytes.size() - 20);
        root.writeFile("seq/" + name, bytes);
        return frameLocation("seq/", name);
    }
    static std::vector<int> reds(const std::vector<platform::Ref<platform::CGImage>>& frames) {
        std::vector<int> values;
        for (const auto& image : frames)
            values.push_back(testing::firstRed(*image));
        return values;
    }
    testing::TemporaryDeviceRoot root;
};

// Every case gives the same frames on one thread as on several.
constexpr std::size_t threadCounts[] = {1, 4};

TEST_F(FrameDecodingTest, TheFirstFrameThatDoesNotFitEndsTheFramesThatPlay) {
    std::vector<std::string> locations{frame("a.png", 1), frame("b.png", 2, 40), frame("c.png", 3)};
    for (std::size_t threads : threadCounts) {
        // The wide second frame does not fit; the small third one would, but comes after it.
        EXPECT_EQ(reds(decodeFramesWithinBudget(locations, 3 * frameBytes, threads)),
                  std::vector<int>{1});
        EXPECT_EQ(reds(decodeFramesWithinBudget(locations, 12 * frameBytes, threads)),
                  (std::vector<int>{1, 2, 3}));
    }
}

TEST_F(FrameDecodingTest, FramesThatFailTakeNothingFromTheBudget) {
    std::vector<std::string> locations{
        frame("a.png", 1), damaged("b.png"),  frameLocation("seq/", "missing.png"),
        frame("c.png", 3), frame("d.png", 4), frame("e.png", 5)};
    for (std::size_t threads : threadCounts) {
        // The damaged frame leaves room for one more than assuming every frame decodes would.
        EXPECT_EQ(reds(decodeFramesWithinBudget(locations, 3 * frameBytes, threads)),
                  (std::vector<int>{1, 3, 4}));
        EXPECT_EQ(reds(decodeFramesWithinBudget(locations, 9 * frameBytes, threads)),
                  (std::vector<int>{1, 3, 4, 5}));
        EXPECT_TRUE(decodeFramesWithinBudget(locations, frameBytes - 1, threads).empty());
    }
}

TEST_F(FrameDecodingTest, ManyFramesOnManyThreadsKeepTheirOrder) {
    std::vector<std::string> locations;
    std::vector<int> expected;
    for (int index = 0; index < 40; ++index) {
        locations.push_back(
            frame("f" + std::to_string(index) + ".png", static_cast<std::uint8_t>(index)));
        expected.push_back(index);
    }
    EXPECT_EQ(reds(decodeFramesWithinBudget(locations, 100 * frameBytes, 4)), expected);
    EXPECT_GE(processorCount(), 1u);
}

// The decoder's fast path changes nothing a showing plays: the same frames are kept and left
// out, with the same pixels, as when libpng decodes every frame.
TEST_F(FrameDecodingTest, AShowingPlaysTheSameFramesWithTheFastPathOff) {
    auto image = platform::CGImage::create(4, 3, platform::PixelBytes(48, 77));
    ASSERT_TRUE(image);
    auto grey = platform::encodePng(*image, {platform::PngColorType::Gray});
    root.writeFile("seq/grey.png", grey);
    auto badChecksum = testing::solidPng(4, 3, 9);
    badChecksum[badChecksum.size() - 20] ^= 0x01;
    root.writeFile("seq/checksum.png", badChecksum);
    std::vector<std::string> locations{frame("a.png", 1),          damaged("b.png"),
                                       frameLocation("seq/", "grey.png"),
                                       frameLocation("seq/", "checksum.png"),
                                       frame("c.png", 3, 40)};
    auto pixelsOf = [](const std::vector<platform::Ref<platform::CGImage>>& frames) {
        std::vector<platform::PixelBytes> all;
        for (const auto& frame : frames)
            all.push_back(frame->pixels());
        return all;
    };
    for (std::size_t threads : threadCounts) {
        auto fast = decodeFramesWithinBudget(locations, 100 * frameBytes, threads);
        platform::setPngDecoderRoute(platform::PngDecoderRoute::LibpngOnly);
        auto throughLibpng = decodeFramesWithinBudget(locations, 100 * frameBytes, threads);
        platform::setPngDecoderRoute(platform::PngDecoderRoute::FastPathFirst);
        EXPECT_EQ(reds(fast), (std::vector<int>{1, 77, 3}));
        EXPECT_EQ(pixelsOf(fast), pixelsOf(throughLibpng));
    }
}

TEST(PngSizeTest, TheHeaderGivesTheSizeOrNothing) {
    auto bytes = testing::solidPng(7, 5, 0);
    ASSERT_EQ(platform::readPngSize(bytes)->width, 7u);
    EXPECT_EQ(platform::readPngSize(bytes)->decodedBytes(), 7u * 5 * 4);
    EXPECT_EQ(platform::readPngSize(std::span(bytes).first(20)), std::nullopt);
    bytes[12] = 'X';
    EXPECT_EQ(platform::readPngSize(bytes), std::nullopt);
}

} // namespace
} // namespace velorin
