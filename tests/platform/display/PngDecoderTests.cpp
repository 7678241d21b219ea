// PNG decoding: damaged and hostile files give no image and cost nothing; good files of
// every colour type come out as RGBA8.

#include "DisplayTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace display_testing;
using Bytes = std::vector<std::uint8_t>;

// A 3 × 2 image with transparency, encoded as RGBA.
Bytes goodPng() {
    auto image = imageOf(3, 2,
                         {{255, 0, 0, 255},
                          {0, 255, 0, 128},
                          {0, 0, 255, 0},
                          {10, 20, 30, 255},
                          {40, 50, 60, 70},
                          {255, 255, 255, 255}});
    return platform::encodePng(*image);
}

Bytes withChunkBefore(Bytes png, const char* before, const Bytes& chunk) {
    std::size_t offset = chunkOffset(png, before);
    png.insert(png.begin() + static_cast<long>(offset), chunk.begin(), chunk.end());
    return png;
}

// Decodes and reports whether any pixel memory was claimed on the way.
struct DecodeOutcome {
    platform::Ref<platform::CGImage> image;
    bool allocatedPixels;
};
DecodeOutcome decodeWatchingMemory(const Bytes& bytes) {
    platform::resetPeakImageBytes();
    auto before = platform::imageStatistics();
    auto image = platform::decodePng(bytes);
    return {image, platform::imageStatistics().peakBytes > before.liveBytes};
}

TEST(PngDecoder, BytesThatAreNotAPngGiveNoImage) {
    EXPECT_FALSE(platform::decodePng({}));
    EXPECT_FALSE(platform::decodePng(readTestFile("not-an-image.png")));
    auto good = goodPng();
    Bytes signatureOnly(good.begin(), good.begin() + 8);
    EXPECT_FALSE(platform::decodePng(signatureOnly));
    EXPECT_FALSE(platform::UIImage::initWithData(readTestFile("not-an-image.png")));
}

TEST(PngDecoder, AHugeHeaderIsRefusedBeforeAnyPixelMemory) {
    auto huge = readTestFile("huge-dimensions.png");
    ASSERT_GT(huge.size(), 33u);
    auto outcome = decodeWatchingMemory(huge);
    EXPECT_FALSE(outcome.image);
    EXPECT_FALSE(outcome.allocatedPixels);
}

// Lets the process's address space grow by at most `bytes` from its present size.
void limitAddressSpaceGrowth(std::uint64_t bytes) {
    unsigned long long pages = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm || std::fscanf(statm, "%llu", &pages) != 1)
        std::_Exit(2);
    std::fclose(statm);
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)) + bytes;
    if (setrlimit(RLIMIT_AS, &limit) != 0)
        std::_Exit(3);
}

// A 50-byte file whose text chunk claims nearly 2 GB: libpng would size a buffer from the
// claim before finding the file cut short. The decode runs in a child held to 256 MiB more
// address space, where under the sanitizers a request for the claim stops the process.
TEST(PngDecoderDeathTest, AChunkClaimingGigabytesIsNotAllocated) {
    auto bytes = readTestFile("chunk-claiming-2gb.png");
    ASSERT_EQ(bytes.size(), 50u);
    EXPECT_EXIT(
        {
            limitAddressSpaceGrowth(256u << 20);
            std::_Exit(platform::decodePng(bytes) ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(PngDecoder, TheSideLimitIsExact) {
    auto wide = platform::encodePng(*solidImage(platform::maximumImageSide, 1, {1, 2, 3, 255}));
    auto decoded = platform::decodePng(wide);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width(), platform::maximumImageSide);

    // One pixel wider, with a correct checksum, is refused on the header alone.
    std::size_t header = chunkOffset(wide, "IHDR");
    wide[header + 8 + 3] += 1;
    refreshCrc(wide, header);
    auto outcome = decodeWatchingMemory(wide);
    EXPECT_FALSE(outcome.image);
    EXPECT_FALSE(outcome.allocatedPixels);
}

TEST(PngDecoder, TruncationAnywhereGivesNoImage) {
    auto png = goodPng();
    for (std::size_t length = 1; length < png.size(); ++length) {
        Bytes cut(png.begin(), png.begin() + static_cast<long>(length));
        EXPECT_FALSE(platform::decodePng(cut)) << "cut to " << length << " of " << png.size();
    }
}

TEST(PngDecoder, AChecksumMismatchInAnyChunkGivesNoImage) {
    auto text = makeChunk("tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'h', 'i'});
    auto withText = withChunkBefore(goodPng(), "IDAT", text);
    ASSERT_TRUE(platform::decodePng(withText)) << "the undamaged file decodes";

    for (const char* type : {"IHDR", "tEXt", "IDAT", "IEND"}) {
        auto damaged = withText;
        std::size_t offset = chunkOffset(damaged, type);
        ASSERT_NE(offset, 0u) << type;
        damaged[offset + 4 + 4 + (std::string(type) == "IEND" ? 0 : 1)] ^= 0x01;
        EXPECT_FALSE(platform::decodePng(damaged)) << "damaged " << type;
    }
}

TEST(PngDecoder, DamagedCompressedDataWithAGoodChecksumGivesNoImage) {
    auto png = goodPng();
    std::size_t offset = chunkOffset(png, "IDAT");
    png[offset + 8 + 4] ^= 0xFF;
    refreshCrc(png, offset);
    EXPECT_FALSE(platform::decodePng(png));
}

TEST(PngDecoder, GoodFileDecodesToStraightRgba) {
    auto image = platform::decodePng(goodPng());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 3u);
    EXPECT_EQ(image->height(), 2u);
    EXPECT_EQ(pixelAt(*image, 1, 0), (Pixel{0, 255, 0, 128}));
    EXPECT_EQ(pixelAt(*image, 2, 0), (Pixel{0, 0, 255, 0})) << "colour kept under zero alpha";
    EXPECT_EQ(pixelAt(*image, 1, 1), (Pixel{40, 50, 60, 70}));

    auto wrapped = platform::UIImage::initWithData(goodPng());
    ASSERT_TRUE(wrapped);
    EXPECT_EQ(wrapped->CGImage()->width(), 3u);
}

TEST(PngDecoder, ImagesAndTheirBytesAreCountedWhileTheyLive) {
    auto before = platform::imageStatistics();
    {
        auto image = platform::decodePng(goodPng());
        auto now = platform::imageStatistics();
        EXPECT_EQ(now.liveImages, before.liveImages + 1);
        EXPECT_EQ(now.liveBytes, before.liveBytes + 3 * 2 * 4);
        EXPECT_GE(now.peakBytes, now.liveBytes);
    }
    EXPECT_EQ(platform::imageStatistics().liveImages, before.liveImages);
    EXPECT_EQ(platform::imageStatistics().liveBytes, before.liveBytes);
}

TEST(CGImage, RefusesPixelsThatDoNotMatchItsSize) {
    EXPECT_FALSE(platform::CGImage::create(2, 2, Bytes(15)));
    EXPECT_FALSE(
        platform::CGImage::create(platform::maximumImageSide + 1, 0, platform::PixelBytes{}));
    EXPECT_FALSE(platform::CGImage::createTransparent(1, platform::maximumImageSide + 1));
    EXPECT_FALSE(platform::UIImage::withCGImage(nullptr));
    auto empty = platform::CGImage::create(0, 0, platform::PixelBytes{});
    ASSERT_TRUE(empty);
    EXPECT_TRUE(platform::encodePng(*empty).empty()) << "PNG has no empty images";
}

} // namespace
