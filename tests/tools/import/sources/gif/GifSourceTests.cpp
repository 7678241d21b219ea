// GIF read as browsers show it: what is refused, files cut short, and every rule of composing
// the frames, each on a small GIF made for it and checked by pixel.
#include "tests/tools/import/sources/SourceTestSupport.h"
#include "tools/import/sources/gif/GifBlocks.h"
#include "tools/import/sources/gif/GifPictureDecoder.h"

#include <gif_lib.h>

namespace velorin::tools {
namespace {

using namespace testing;

// Entries 0 to 3: red, green, blue, white.
const std::vector<Color> palette{red, green, blue, white};

DecodedSource readGif(const ScratchFolder& scratch, const GifLayout& layout,
                      const std::string& name = "clip.gif") {
    writeBytes(scratch / name, gifBytes(layout));
    return readWhole(Reader::Gif, scratch / name);
}

// The first `count` of three frames of 2x1, red, green and blue, lasting 0.1, 0.2 and 0.3 s.
GifLayout threeFrames(std::uint8_t count = 3) {
    GifLayout layout{2, 1, palette, {}};
    for (std::uint8_t index = 0; index < count; ++index) {
        layout.frames.push_back(filledGifFrame(0, 0, 2, 1, index));
        layout.frames.back().delayHundredths = static_cast<std::uint16_t>(10 * (index + 1));
    }
    return layout;
}

// Where frame `index` (from 0) of threeFrames() begins: its control extension.
std::size_t frameStart(std::uint8_t index) {
    return gifBytes(threeFrames(index)).size() - 1;
}

// A control extension and an image descriptor come before a frame's data.
constexpr std::size_t dataAfterFrameStart = 8 + 10;

TEST(GifSourceRefusal, DamagedDataAndPicturesPastTheBoundAreFaultsThatNameTheFrame) {
    ScratchFolder scratch;
    GifLayout damaged = threeFrames();
    std::string bytes = gifBytes(damaged);
    // Frame 2's first code is one no table holds: its data is damaged, not merely short.
    std::size_t codes = frameStart(1) + dataAfterFrameStart + 2;
    bytes[codes] = '\xff';
    bytes[codes + 1] = '\xff';
    writeBytes(scratch / "damaged.gif", bytes);
    std::string fault = readingFault(Reader::Gif, scratch / "damaged.gif");
    EXPECT_NE(fault.find("frame 2 cannot be decoded: its compressed picture data is damaged"),
              std::string::npos)
        << fault;

    GifLayout vast{10, 10, palette, {filledGifFrame(0, 0, 9000, 1, 0)}};
    vast.frames[0].indices.clear();
    writeBytes(scratch / "vast.gif", gifBytes(vast));
    fault = readingFault(Reader::Gif, scratch / "vast.gif");
    EXPECT_NE(fault.find("frame 1 is 9000x1 pixels, larger than import reads: at most 8192"),
              std::string::npos)
        << fault;

    writeBytes(scratch / "empty.gif", gifBytes({4, 4, palette, {}}));
    EXPECT_NE(readingFault(Reader::Gif, scratch / "empty.gif").find("holds no frames"), std::string::npos);
    std::string stray = gifBytes(threeFrames());
    stray.insert(frameStart(0), "\x99");
    writeBytes(scratch / "stray.gif", stray);
    EXPECT_NE(readingFault(Reader::Gif, scratch / "stray.gif").find("before its first frame"),
              std::string::npos);
    writeBytes(scratch / "header.gif", gifBytes(threeFrames()).substr(0, 9));
    EXPECT_NE(readingFault(Reader::Gif, scratch / "header.gif").find("cut short"), std::string::npos);
}

TEST(GifSourceEnding, AFileCutShortGivesItsWholeFramesAndSaysWhatWasLost) {
    ScratchFolder scratch;
    std::string whole = gifBytes(threeFrames());
    // Cut in the third frame's data: its control extension was read, so its delay is known.
    writeBytes(scratch / "cut.gif", whole.substr(0, frameStart(2) + dataAfterFrameStart + 3));
    auto cut = readWhole(Reader::Gif, scratch / "cut.gif");
    ASSERT_EQ(cut.frames.size(), 2u);
    EXPECT_NEAR(cut.description.lengthSeconds, 0.3, 1e-9);
    ASSERT_TRUE(cut.description.lostFrames);
    EXPECT_EQ(cut.description.lostFrames->where, "it is cut short in frame 3");
    EXPECT_EQ(cut.description.lostFrames->frames, 1u);
    EXPECT_NEAR(cut.description.lostFrames->seconds, 0.3, 1e-9);
    EXPECT_TRUE(cut.description.lostFrames->atLeastFrames);
    expectColor(pixelOf(cut.frames[1], 0, 0), green);

    // Only the end marker is missing: every frame is whole, but what followed is unknown.
    writeBytes(scratch / "unmarked.gif", whole.substr(0, whole.size() - 1));
    auto unmarked = readWhole(Reader::Gif, scratch / "unmarked.gif");
    EXPECT_EQ(unmarked.frames.size(), 3u);
    ASSERT_TRUE(unmarked.description.lostFrames);
    EXPECT_EQ(unmarked.description.lostFrames->frames, 0u);
    EXPECT_NE(unmarked.description.lostFrames->where.find("after frame 3"), std::string::npos);

    // Data that is no GIF where the third frame should begin: browsers stop there.
    std::string broken = whole.substr(0, frameStart(2)) + "\x01\x02\x03";
    writeBytes(scratch / "broken.gif", broken);
    auto stopped = readWhole(Reader::Gif, scratch / "broken.gif");
    EXPECT_EQ(stopped.frames.size(), 2u);
    ASSERT_TRUE(stopped.description.lostFrames);
    EXPECT_NE(stopped.description.lostFrames->where.find("breaks off after frame 2"),
              std::string::npos);

    auto complete = readWhole(Reader::Gif, (writeBytes(scratch / "whole.gif", whole), scratch / "whole.gif"));
    EXPECT_FALSE(complete.description.lostFrames);
    EXPECT_NEAR(complete.description.lengthSeconds, 0.6, 1e-9);
}

TEST(GifSourceComposition, EachDisposalClearsRestoresOrKeepsTheFramesArea) {
    ScratchFolder scratch;
    GifLayout layout{2, 1, palette, {filledGifFrame(0, 0, 2, 1, 0)}};
    layout.frames.push_back(filledGifFrame(0, 0, 1, 1, 1));
    layout.frames.back().disposal = 2;
    layout.frames.push_back(filledGifFrame(1, 0, 1, 1, 2));
    layout.frames.back().disposal = 3;
    // A transparent pixel shows what lies under it.
    layout.frames.push_back(filledGifFrame(1, 0, 1, 1, 3));
    layout.frames.back().transparentIndex = 3;
    layout.frames.push_back(filledGifFrame(1, 0, 1, 1, 3));
    layout.frames.back().disposal = 4;
    layout.frames.push_back(filledGifFrame(0, 0, 1, 1, 1));
    layout.frames.back().disposal = 6;
    layout.frames.push_back(filledGifFrame(0, 0, 1, 1, 3));
    layout.frames.back().transparentIndex = 3;
    auto decoded = readGif(scratch, layout);
    ASSERT_EQ(decoded.frames.size(), 7u);
    const std::vector<std::pair<Color, Color>> expected{
        {red, red},     {green, red}, {clear, blue},
        // Disposal 2 ("restore to background") cleared frame 2's pixel to transparent, and
        // disposal 3 gave frame 3's pixel back.
        {clear, red},   {clear, white},
        // Disposal 4 is read as 3; 6 is unknown and leaves the frame in place.
        {green, red},   {green, red},
    };
    for (std::size_t index = 0; index < expected.size(); ++index) {
        SCOPED_TRACE(index);
        expectColor(pixelOf(decoded.frames[index], 0, 0), expected[index].first);
        expectColor(pixelOf(decoded.frames[index], 1, 0), expected[index].second);
    }
}

TEST(GifSourceComposition, FramesPastTheScreenAreClippedExceptTheFirstWhichGrowsIt) {
    ScratchFolder scratch;
    GifLayout layout{2, 2, palette, {filledGifFrame(0, 0, 2, 2, 0), filledGifFrame(1, 1, 3, 3, 1)}};
    auto clipped = readGif(scratch, layout);
    ASSERT_EQ(clipped.frames.size(), 2u);
    EXPECT_EQ(clipped.description.width, 2u);
    ASSERT_EQ(clipped.frames[1].width, 2u);
    expectColor(pixelOf(clipped.frames[1], 0, 0), red);
    expectColor(pixelOf(clipped.frames[1], 1, 0), red);
    expectColor(pixelOf(clipped.frames[1], 0, 1), red);
    expectColor(pixelOf(clipped.frames[1], 1, 1), green);

    GifLayout grown{2, 2, palette, {filledGifFrame(1, 0, 3, 1, 2), filledGifFrame(3, 1, 2, 2, 1)}};
    auto canvas = readGif(scratch, grown, "grown.gif");
    ASSERT_EQ(canvas.frames.size(), 2u);
    EXPECT_EQ(canvas.description.width, 4u);
    EXPECT_EQ(canvas.description.height, 2u);
    expectColor(pixelOf(canvas.frames[0], 0, 0), clear);
    expectColor(pixelOf(canvas.frames[0], 3, 0), blue);
    expectColor(pixelOf(canvas.frames[1], 3, 1), green);
}

TEST(GifSourceComposition, MissingColourTablesGiveOpaqueBlackAndLocalTablesWin) {
    ScratchFolder scratch;
    GifFrameLayout frame = filledGifFrame(0, 0, 3, 1, 0);
    frame.indices = {0, 1, 200};
    frame.transparentIndex = 1;
    auto bare = readGif(scratch, {3, 1, std::nullopt, {frame}}, "bare.gif");
    ASSERT_EQ(bare.frames.size(), 1u);
    expectColor(pixelOf(bare.frames[0], 0, 0), black);
    expectColor(pixelOf(bare.frames[0], 1, 0), clear);
    expectColor(pixelOf(bare.frames[0], 2, 0), black);

    // Index 5 lies past a table of four entries; the second frame brings its own table.
    GifFrameLayout past = filledGifFrame(0, 0, 2, 1, 5);
    past.indices = {5, 1};
    GifFrameLayout local = filledGifFrame(0, 0, 1, 1, 0);
    local.localPalette = std::vector<Color>{white, blue};
    auto tables = readGif(scratch, {2, 1, palette, {past, local}}, "tables.gif");
    ASSERT_EQ(tables.frames.size(), 2u);
    expectColor(pixelOf(tables.frames[0], 0, 0), black);
    expectColor(pixelOf(tables.frames[0], 1, 0), green);
    expectColor(pixelOf(tables.frames[1], 0, 0), white);
}

TEST(GifSourceComposition, InterlacedRowsShortDataAndTinyDelaysAreReadAsBrowsersReadThem) {
    ScratchFolder scratch;
    GifFrameLayout interlaced = filledGifFrame(0, 0, 1, 11, 0);
    for (std::uint8_t row = 0; row < 11; ++row)
        interlaced.indices[row] = row % 4;
    interlaced.interlaced = true;
    interlaced.delayHundredths = 0;
    // The data ends after three of the four pixels: the fourth keeps the earlier picture.
    GifFrameLayout shortData = filledGifFrame(0, 0, 2, 2, 1);
    shortData.indices = {1, 1, 1};
    shortData.delayHundredths = 1;
    // More pixels than the frame holds: the rest is passed over.
    GifFrameLayout longData = filledGifFrame(0, 0, 1, 1, 2);
    longData.indices.assign(600, 2);
    longData.delayHundredths = 2;
    GifFrameLayout noControl = filledGifFrame(0, 0, 1, 1, 3);
    noControl.withControl = false;
    auto decoded = readGif(scratch, {2, 11, palette, {interlaced, shortData, longData, noControl}});
    ASSERT_EQ(decoded.frames.size(), 4u);
    for (std::uint32_t row = 0; row < 11; ++row)
        expectColor(pixelOf(decoded.frames[0], 0, row), palette[row % 4]);
    expectColor(pixelOf(decoded.frames[1], 0, 1), green);
    expectColor(pixelOf(decoded.frames[1], 1, 0), green);
    expectColor(pixelOf(decoded.frames[0], 1, 1), clear);
    expectColor(pixelOf(decoded.frames[1], 1, 1), clear);
    expectColor(pixelOf(decoded.frames[2], 0, 0), blue);
    // 0 and 1 hundredths last a tenth of a second, 2 hundredths as long as they say, and a
    // frame without a control extension has no delay, so a tenth as well.
    const double durations[] = {0.1, 0.1, 0.02, 0.1};
    for (std::size_t index = 0; index < 4; ++index)
        EXPECT_NEAR(decoded.description.frames[index].duration, durations[index], 1e-9);
}

// giflib, which reads whole GIFs too, is the reference for the block walk and the pixels.
TEST(GifSourceReference, BlocksAndPixelsMatchWhatGiflibReadsOfTheWholeFile) {
    ScratchFolder scratch;
    // One file from FFmpeg's encoder, with real LZW compression, and one made here.
    writeGif(scratch / "encoded.gif", coloredFrames(3, 70, 20, 12));
    GifFrameLayout interlaced = filledGifFrame(3, 2, 5, 9, 1);
    for (std::size_t at = 0; at < interlaced.indices.size(); ++at)
        interlaced.indices[at] = static_cast<std::uint8_t>(at % 4);
    interlaced.interlaced = true;
    interlaced.disposal = 3;
    interlaced.transparentIndex = 2;
    writeBytes(scratch / "made.gif",
               gifBytes({9, 12, palette, {filledGifFrame(0, 0, 9, 12, 0), interlaced}}));
    for (const char* name : {"encoded.gif", "made.gif"}) {
        SCOPED_TRACE(name);
        std::string path = (scratch / name).string();
        int error = 0;
        GifFileType* reference = DGifOpenFileName(path.c_str(), &error);
        ASSERT_NE(reference, nullptr);
        ASSERT_EQ(DGifSlurp(reference), GIF_OK);
        auto file = SourceFile::open(path);
        ASSERT_TRUE(file);
        GifBlockReader reader(*file.value());
        ASSERT_TRUE(reader.readScreen());
        int index = 0;
        while (auto image = reader.nextImage()) {
            ASSERT_LT(index, reference->ImageCount);
            const SavedImage& saved = reference->SavedImages[index];
            EXPECT_EQ(image->area.left, saved.ImageDesc.Left);
            EXPECT_EQ(image->area.top, saved.ImageDesc.Top);
            EXPECT_EQ(image->area.width, static_cast<std::uint32_t>(saved.ImageDesc.Width));
            EXPECT_EQ(image->area.height, static_cast<std::uint32_t>(saved.ImageDesc.Height));
            GraphicsControlBlock control{};
            if (DGifSavedExtensionToGCB(reference, index, &control) == GIF_OK) {
                EXPECT_EQ(image->delayHundredths, control.DelayTime);
                EXPECT_EQ(image->disposal, control.DisposalMode);
                EXPECT_EQ(image->transparentIndex ? int{*image->transparentIndex}
                                                  : NO_TRANSPARENT_COLOR,
                          control.TransparentColor);
            }
            std::vector<std::uint8_t> indices(image->area.width * image->area.height);
            auto decoded = decodeGifPicture(
                *file.value(), *image,
                [&](std::uint32_t row, const std::uint8_t* pixels, std::uint32_t count) {
                    std::copy(pixels, pixels + count, indices.begin() + row * image->area.width);
                });
            EXPECT_TRUE(decoded);
            // giflib's whole-file reading puts interlaced rows in their real order too.
            EXPECT_EQ(indices,
                      std::vector<std::uint8_t>(saved.RasterBits, saved.RasterBits + indices.size()));
            if (saved.ImageDesc.Interlace) {
                EXPECT_EQ(indices, interlaced.indices);
            }
            ++index;
        }
        EXPECT_EQ(index, reference->ImageCount);
        EXPECT_EQ(reader.ending().kind, GifEnding::Kind::Trailer);
        DGifCloseFile(reference, &error);
    }
}

} // namespace
} // namespace velorin::tools
