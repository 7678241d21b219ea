// Reading sources for import: what is refused, and the timelines of frames that GIF, animated
// PNG, animated WebP, video, still images and folders give, checked by time and by pixel.
#include "tests/tools/import/ImportTestSupport.h"
#include "tools/common/NaturalOrder.h"

#include <fstream>
#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

using testing::Color;
using testing::Picture;
using testing::pixelOf;

std::string dataFile(const std::string& name) {
    return std::string(VELORIN_TEST_DATA_DIR) + "/tools/import/data/" + name;
}

void expectColor(Color actual, Color expected, int tolerance = 0) {
    EXPECT_NEAR(actual.red, expected.red, tolerance);
    EXPECT_NEAR(actual.green, expected.green, tolerance);
    EXPECT_NEAR(actual.blue, expected.blue, tolerance);
    EXPECT_NEAR(actual.alpha, expected.alpha, tolerance);
}

constexpr Color red{255, 0, 0, 255};
constexpr Color green{0, 255, 0, 255};
constexpr Color blue{0, 0, 255, 255};

// Three 8x8 frames of 100, 250 and 50 ms: red on the left half with the right half clear, then
// green on the top half alone, then blue in one corner alone.
std::vector<testing::TimedPicture> transparentFrames() {
    return {{Picture::filled(8, 8, testing::clear).paint(0, 0, 4, 8, red), 100},
            {Picture::filled(8, 8, testing::clear).paint(0, 0, 8, 4, green), 250},
            {Picture::filled(8, 8, testing::clear).paint(7, 7, 1, 1, blue), 50}};
}

void expectUnevenTimeline(const testing::DecodedSource& decoded) {
    ASSERT_EQ(decoded.frames.size(), 3u);
    const double starts[] = {0, 0.1, 0.35};
    const double durations[] = {0.1, 0.25, 0.05};
    for (std::size_t index = 0; index < 3; ++index) {
        EXPECT_NEAR(decoded.description.frames[index].start, starts[index], 1e-9);
        EXPECT_NEAR(decoded.description.frames[index].duration, durations[index], 1e-9);
        EXPECT_NEAR(decoded.frames[index].start, starts[index], 1e-9);
    }
    EXPECT_NEAR(decoded.description.lengthSeconds, 0.4, 1e-9);
}

TEST(ImportSourceRefusal, UrlsAndStreamsAreNeverOpened) {
    for (const char* url : {"http://localhost/clip.gif", "file:/tmp/clip.gif", "concat:a.gif|b.gif",
                            "pipe:0", "subfile,,start,0,end,0,,:clip.gif"}) {
        EXPECT_NE(testing::openingFault(url).find("looks like a URL"), std::string::npos) << url;
    }
}

TEST(ImportSourceRefusal, PlaylistsListsAndOtherFormatsAreRefusedByWhatTheyAre) {
    EXPECT_NE(testing::openingFault(dataFile("playlist.m3u8")).find("is a playlist"),
              std::string::npos);
    EXPECT_NE(testing::openingFault(dataFile("frames.ffconcat")).find("concatenation list"),
              std::string::npos);
    EXPECT_NE(testing::openingFault(dataFile("metadata.txt")).find("\"ffmetadata\""),
              std::string::npos);
    EXPECT_NE(testing::openingFault(dataFile("notes.txt")).find("not in a format"),
              std::string::npos);
    EXPECT_NE(testing::openingFault(dataFile("missing.gif")).find("no such file"),
              std::string::npos);
    EXPECT_FALSE(testing::openingFault(dataFile("truncated.gif")).empty());
}

TEST(ImportSourceRefusal, CanvasesLargerThanTheBoundAreRefusedBeforeDecoding) {
    testing::ScratchFolder scratch;
    testing::writeGif(scratch / "wide.gif", {{Picture::filled(9000, 1, red), 100}});
    EXPECT_NE(testing::openingFault((scratch / "wide.gif").string()).find("at most 8192"),
              std::string::npos);
    // Past the pixel bound FFmpeg's decoder refuses the first picture, and the size stays
    // unknown: a 6200x6200 screen holding a single pixel, written byte by byte.
    std::ofstream(scratch / "vast.gif", std::ios::binary)
        << std::string("GIF89a\x38\x18\x38\x18\x80\0\0\0\0\0\xff\xff\xff"
                       "\x2c\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0\x3b",
                       35);
    EXPECT_NE(testing::openingFault((scratch / "vast.gif").string()).find("at most 8192"),
              std::string::npos);
    std::filesystem::create_directory(scratch / "empty");
    EXPECT_NE(testing::openingFault((scratch / "empty").string()).find("no image files"),
              std::string::npos);
}

TEST(ImportSourceTimeline, GifKeepsItsDelaysDisposalAndTransparency) {
    testing::ScratchFolder scratch;
    testing::writeGif(scratch / "clip.gif", transparentFrames());
    auto decoded = testing::decodeWhole(scratch / "clip.gif");
    expectUnevenTimeline(decoded);
    EXPECT_EQ(decoded.description.kind, SourceKind::Gif);
    EXPECT_EQ(decoded.description.plays, playsForever);
    ASSERT_EQ(decoded.frames.size(), 3u);
    expectColor(pixelOf(decoded.frames[0], 0, 7), red);
    EXPECT_EQ(pixelOf(decoded.frames[0], 7, 0).alpha, 0);
    // Each frame is disposed to the background: the red half does not show through later.
    expectColor(pixelOf(decoded.frames[1], 0, 0), green);
    EXPECT_EQ(pixelOf(decoded.frames[1], 0, 7).alpha, 0);
    EXPECT_EQ(pixelOf(decoded.frames[2], 0, 0).alpha, 0);
    expectColor(pixelOf(decoded.frames[2], 7, 7), blue);

    testing::writeGif(scratch / "once.gif", transparentFrames(), -1);
    testing::writeGif(scratch / "thrice.gif", transparentFrames(), 2);
    EXPECT_EQ(testing::decodeWhole(scratch / "once.gif").description.plays, 1);
    EXPECT_EQ(testing::decodeWhole(scratch / "thrice.gif").description.plays, 3);
}

TEST(ImportSourceTimeline, AnimatedPngAndWebpKeepTheirTimesPlaysAndClearPixels) {
    testing::ScratchFolder scratch;
    testing::writeAnimatedPng(scratch / "clip.png", transparentFrames(), 3);
    testing::writeAnimatedWebp(scratch / "clip.webp", transparentFrames(), 2);
    for (auto [file, kind, plays] : {std::tuple{"clip.png", SourceKind::AnimatedPng, 3},
                                     std::tuple{"clip.webp", SourceKind::AnimatedWebp, 2}}) {
        SCOPED_TRACE(file);
        auto decoded = testing::decodeWhole(scratch / file);
        expectUnevenTimeline(decoded);
        EXPECT_EQ(decoded.description.kind, kind);
        EXPECT_EQ(decoded.description.plays, plays);
        ASSERT_EQ(decoded.frames.size(), 3u);
        expectColor(pixelOf(decoded.frames[0], 0, 0), red);
        EXPECT_EQ(pixelOf(decoded.frames[0], 7, 0).alpha, 0);
        expectColor(pixelOf(decoded.frames[1], 7, 0), green);
        EXPECT_EQ(pixelOf(decoded.frames[1], 0, 7).alpha, 0);
        expectColor(pixelOf(decoded.frames[2], 7, 7), blue);
    }
}

TEST(ImportSourceTimeline, VideoKeepsVariableTimesAndStandsUpright) {
    testing::ScratchFolder scratch;
    // A 32x16 picture with a red mark in its top left corner, stored sideways: the display
    // matrix turns it a quarter clockwise, so upright it is 16x32 with the mark at the top
    // right.
    Picture marked = Picture::filled(32, 16, blue).paint(0, 0, 8, 8, red);
    testing::VideoSettings turned;
    turned.clockwiseTurn = 90;
    testing::writeVideo(scratch / "clip.mp4", {{marked, 100}, {marked, 250}, {marked, 50}}, turned);
    auto decoded = testing::decodeWhole(scratch / "clip.mp4");
    expectUnevenTimeline(decoded);
    EXPECT_EQ(decoded.description.kind, SourceKind::Video);
    EXPECT_FALSE(decoded.description.plays.has_value());
    EXPECT_EQ(decoded.description.width, 16u);
    EXPECT_EQ(decoded.description.height, 32u);
    ASSERT_FALSE(decoded.frames.empty());
    ASSERT_EQ(decoded.frames[0].width, 16u);
    expectColor(pixelOf(decoded.frames[0], 12, 3), red, 12);
    expectColor(pixelOf(decoded.frames[0], 3, 28), blue, 12);
    // Told the size the frames are written at, the video scales them straight to it, turned.
    auto scaled = testing::decodeWhole(scratch / "clip.mp4", {}, PixelSize{8, 16});
    ASSERT_EQ(scaled.frames.size(), 3u);
    ASSERT_EQ(scaled.frames[0].width, 8u);
    ASSERT_EQ(scaled.frames[0].height, 16u);
    expectColor(pixelOf(scaled.frames[0], 6, 1), red, 12);
    expectColor(pixelOf(scaled.frames[0], 1, 14), blue, 12);
    // A consumer that chooses its filter by a frame (pixel art is enlarged without smoothing)
    // gets the first one at its own size, upright, and the later ones scaled.
    auto choosing = testing::decodeWhole(scratch / "clip.mp4", {}, PixelSize{8, 16},
                                         testing::FilterAnswer::AfterFirstFrame);
    ASSERT_EQ(choosing.frames.size(), 3u);
    EXPECT_EQ(choosing.frames[0].width, 16u);
    EXPECT_EQ(choosing.frames[0].height, 32u);
    expectColor(pixelOf(choosing.frames[0], 12, 3), red, 12);
    EXPECT_EQ(choosing.frames[1].width, 8u);
    EXPECT_EQ(choosing.frames[2].height, 16u);

    // Mirrored as well, as a front camera's recording may ask: the mark comes to the top left.
    turned.mirrored = true;
    testing::writeVideo(scratch / "selfie.mp4", {{marked, 100}, {marked, 100}}, turned);
    auto mirrored = testing::decodeWhole(scratch / "selfie.mp4");
    ASSERT_FALSE(mirrored.frames.empty());
    ASSERT_EQ(mirrored.frames[0].width, 16u);
    expectColor(pixelOf(mirrored.frames[0], 3, 3), red, 12);
    expectColor(pixelOf(mirrored.frames[0], 12, 28), blue, 12);
}

TEST(ImportSourceTimeline, VideoColoursFollowTheirMatrixAndRangeAndSoundIsIgnored) {
    testing::ScratchFolder scratch;
    const Color warm{200, 60, 40, 255};
    testing::VideoSettings wide;
    wide.container = "matroska";
    wide.highDefinitionMatrix = true;
    wide.fullRange = true;
    testing::VideoSettings withSound = wide;
    withSound.withSound = true;
    testing::VideoSettings web;
    web.container = "webm";
    web.codec = "libvpx";
    testing::writeVideo(scratch / "sound.mkv", testing::coloredFrames(2, 100, 32, 16), withSound);
    testing::writeVideo(scratch / "plain.mp4", {{Picture::filled(32, 16, warm), 100}});
    testing::writeVideo(scratch / "warm.mkv", {{Picture::filled(32, 16, warm), 100}}, wide);
    testing::writeVideo(scratch / "clip.webm", testing::coloredFrames(3, 100, 32, 16), web);
    auto sound = testing::decodeWhole(scratch / "sound.mkv");
    EXPECT_TRUE(sound.description.audioIgnored);
    ASSERT_EQ(sound.frames.size(), 2u);
    expectColor(pixelOf(sound.frames[1], 16, 8), green, 8);
    for (const char* file : {"plain.mp4", "warm.mkv"}) {
        SCOPED_TRACE(file);
        auto decoded = testing::decodeWhole(scratch / file);
        ASSERT_EQ(decoded.frames.size(), 1u);
        EXPECT_FALSE(decoded.description.audioIgnored);
        expectColor(pixelOf(decoded.frames[0], 16, 8), warm, 6);
        auto scaled = testing::decodeWhole(scratch / file, {}, PixelSize{8, 4});
        ASSERT_EQ(scaled.frames.size(), 1u);
        ASSERT_EQ(scaled.frames[0].width, 8u);
        expectColor(pixelOf(scaled.frames[0], 4, 2), warm, 6);
    }
    auto webm = testing::decodeWhole(scratch / "clip.webm");
    ASSERT_EQ(webm.frames.size(), 3u);
    expectColor(pixelOf(webm.frames[2], 16, 8), blue, 12);
}

TEST(ImportSourceTimeline, FolderPlaysInNaturalOrderAtItsRateOrLength) {
    testing::ScratchFolder scratch;
    std::filesystem::path folder = scratch / "frames";
    std::filesystem::create_directory(folder);
    testing::writePng(folder / "Frame10.png", Picture::filled(4, 2, blue));
    testing::writePng(folder / "frame2.png", Picture::filled(4, 2, green));
    testing::writePng(folder / "frame1.png", Picture::filled(4, 2, red));
    testing::writePng(folder / ".hidden.png", Picture::filled(4, 2, green));
    std::ofstream(folder / "notes.txt") << "not a frame";
    auto decoded = testing::decodeWhole(folder, {10, std::nullopt});
    ASSERT_EQ(decoded.frames.size(), 3u);
    expectColor(pixelOf(decoded.frames[0], 0, 0), red);
    expectColor(pixelOf(decoded.frames[1], 0, 0), green);
    expectColor(pixelOf(decoded.frames[2], 0, 0), blue);
    EXPECT_NEAR(decoded.frames[2].start, 0.2, 1e-9);
    EXPECT_NEAR(decoded.description.lengthSeconds, 0.3, 1e-9);
    ASSERT_EQ(decoded.description.notes.size(), 1u);
    EXPECT_NE(decoded.description.notes[0].find("notes.txt"), std::string::npos);
    auto timed = testing::decodeWhole(folder, {10, 1.5});
    EXPECT_NEAR(timed.description.frames[1].start, 0.5, 1e-9);
    EXPECT_NEAR(timed.description.lengthSeconds, 1.5, 1e-9);
}

TEST(ImportSourceTimeline, AStillImageIsASingleFrame) {
    testing::ScratchFolder scratch;
    testing::writePng(scratch / "still.png", Picture::filled(6, 3, green));
    auto decoded = testing::decodeWhole(scratch / "still.png");
    EXPECT_TRUE(decoded.description.singleFrame());
    ASSERT_EQ(decoded.frames.size(), 1u);
    EXPECT_EQ(decoded.frames[0].width, 6u);
    expectColor(pixelOf(decoded.frames[0], 5, 2), green);
}

TEST(ImportNaturalOrder, NumbersCompareByValueAndLettersWithoutCase) {
    std::vector<std::string> names{"frame10.png", "Frame2.png", "frame1.png", "frame02.png",
                                   "b.png",       "A.png",      "frame1a.png"};
    sortNaturally(names);
    EXPECT_EQ(names, (std::vector<std::string>{"A.png", "b.png", "frame1.png", "frame1a.png",
                                               "Frame2.png", "frame02.png", "frame10.png"}));
    EXPECT_FALSE(naturalLess("frame7.png", "frame7.png"));
    EXPECT_TRUE(naturalLess("frame99999999999999999999.png", "frame100000000000000000000.png"));
}

} // namespace
} // namespace velorin::tools
