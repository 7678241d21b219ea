// Animated PNG read as browsers show it: an invalid animation shows the still default image,
// files cut short keep their whole frames, and every blend, disposal, colour type and delay
// rule is checked by pixel on a small file made for it.
#include "tests/tools/import/sources/SourceTestSupport.h"

namespace velorin::tools {
namespace {

using namespace testing;

constexpr std::uint32_t side = 4;

std::vector<std::uint8_t> filled(Color color, std::uint32_t width = side,
                                 std::uint32_t height = side) {
    return compressedPicture(Picture::filled(width, height, color));
}

// A 4x4 animation whose default image (green) is not one of its frames: red, then blue.
std::vector<PngChunk> twoFrames() {
    return {pngHeader(side, side),       animationControl(2, 0),
            imageData(filled(green)),    frameControl(0, side, side),
            frameData(1, filled(red)),   frameControl(2, side, side, 0, 0, 3, 10),
            frameData(3, filled(blue)),  endChunk()};
}

DecodedSource readPng(const ScratchFolder& scratch, const std::vector<PngChunk>& chunks,
                      const std::string& name = "clip.png") {
    writeBytes(scratch / name, pngBytes(chunks));
    return readWhole(Reader::AnimatedPng, scratch / name);
}

// Replaces chunk `at` of twoFrames(), or removes it when `chunk` is none.
std::vector<PngChunk> changed(std::size_t at, std::optional<PngChunk> chunk) {
    std::vector<PngChunk> chunks = twoFrames();
    if (chunk)
        chunks[at] = *chunk;
    else
        chunks.erase(chunks.begin() + static_cast<std::ptrdiff_t>(at));
    return chunks;
}

TEST(AnimatedPngInvalid, EveryBrokenAnimationShowsTheDefaultImageAndSaysWhy) {
    ScratchFolder scratch;
    PngChunk damagedControl = frameControl(2, side, side);
    damagedControl.damagedChecksum = true;
    std::vector<PngChunk> repeatedControl = twoFrames();
    repeatedControl.insert(repeatedControl.begin() + 1, animationControl(2, 0));
    std::vector<PngChunk> reordered = twoFrames();
    std::vector<std::uint8_t> blueData = filled(blue);
    std::vector<std::uint8_t> firstHalf(blueData.begin(), blueData.begin() + 10);
    std::vector<std::uint8_t> secondHalf(blueData.begin() + 10, blueData.end());
    reordered[6] = frameData(4, secondHalf);
    reordered.insert(reordered.begin() + 6, frameData(3, firstHalf));
    std::swap(reordered[6], reordered[7]);
    std::vector<PngChunk> controlsInARow = twoFrames();
    controlsInARow.erase(controlsInARow.begin() + 4);
    const std::vector<std::pair<std::string, std::vector<PngChunk>>> cases{
        {"not starting from 0", changed(3, frameControl(1, side, side))},
        {"gap", changed(6, frameData(4, filled(blue)))},
        {"repeated number", changed(6, frameData(2, filled(blue)))},
        {"reordered data", reordered},
        {"data before its control", changed(3, std::nullopt)},
        {"control without data", controlsInARow},
        {"too many frames said", changed(1, animationControl(3, 0))},
        {"too few frames said", changed(1, animationControl(1, 0))},
        {"no frames said", changed(1, animationControl(0, 0))},
        {"frames past the range", changed(1, animationControl(0x80000001, 0))},
        {"two animation controls", repeatedControl},
        {"frame outside the image", changed(5, frameControl(2, side, side, 1, 0))},
        {"unknown disposal", changed(5, frameControl(2, side, side, 0, 0, 1, 10, 3, 0))},
        {"damaged control", changed(5, damagedControl)},
        {"default image's control not whole",
         {pngHeader(side, side), animationControl(2, 0), frameControl(0, side, 2),
          imageData(filled(green)), frameControl(1, side, side), frameData(2, filled(red)),
          endChunk()}},
    };
    for (const auto& [name, chunks] : cases) {
        SCOPED_TRACE(name);
        auto decoded = readPng(scratch, chunks);
        EXPECT_EQ(decoded.description.kind, SourceKind::AnimatedPng);
        ASSERT_EQ(decoded.frames.size(), 1u);
        EXPECT_TRUE(decoded.description.singleFrame());
        expectColor(pixelOf(decoded.frames[0], 2, 2), green);
        ASSERT_EQ(decoded.description.notes.size(), 1u);
        EXPECT_NE(decoded.description.notes[0].find("animation is not valid"), std::string::npos)
            << decoded.description.notes[0];
    }
}

TEST(AnimatedPngInvalid, DamagedDataCutShortFilesAndPicturesPastTheBoundAreFaults) {
    ScratchFolder scratch;
    writeBytes(scratch / "garbage.png", pngBytes(changed(6, frameData(3, {1, 2, 3, 4, 5}))));
    std::string fault = readingFault(Reader::AnimatedPng, scratch / "garbage.png");
    EXPECT_NE(fault.find("frame 2 cannot be decoded: its picture data cannot be decoded"),
              std::string::npos)
        << fault;
    writeBytes(scratch / "short.png", pngBytes(changed(6, frameData(3, filled(blue, side, 2)))));
    fault = readingFault(Reader::AnimatedPng, scratch / "short.png");
    EXPECT_NE(fault.find("frame 2 cannot be decoded"), std::string::npos) << fault;
    writeBytes(scratch / "vast.png", pngBytes({pngHeader(9000, 1), imageData({}), endChunk()}));
    EXPECT_NE(readingFault(Reader::AnimatedPng, scratch / "vast.png").find("larger than import reads: at most 8192"),
              std::string::npos);
    writeBytes(scratch / "none.png", pngBytes({pngHeader(side, side), endChunk()}));
    EXPECT_NE(readingFault(Reader::AnimatedPng, scratch / "none.png").find("holds no image data"), std::string::npos);
    std::string whole = pngBytes(twoFrames());
    std::size_t firstFrameData = whole.find("fdAT");
    writeBytes(scratch / "early.png", whole.substr(0, firstFrameData + 10));
    EXPECT_NE(readingFault(Reader::AnimatedPng, scratch / "early.png").find("cut short before its first frame"),
              std::string::npos);
    PngChunk critical{"ABCD", {1}, false};
    writeBytes(scratch / "unknown.png", pngBytes(changed(7, critical)));
    EXPECT_NE(readingFault(Reader::AnimatedPng, scratch / "unknown.png").find("\"ABCD\""), std::string::npos);
}

TEST(AnimatedPngEnding, AFileCutShortGivesItsWholeFramesAndSaysWhatWasLost) {
    ScratchFolder scratch;
    std::string whole = pngBytes(twoFrames());
    std::size_t lastData = whole.rfind("fdAT");
    writeBytes(scratch / "cut.png", whole.substr(0, lastData + 20));
    auto cut = readWhole(Reader::AnimatedPng, scratch / "cut.png");
    ASSERT_EQ(cut.frames.size(), 1u);
    EXPECT_NEAR(cut.description.lengthSeconds, 0.1, 1e-9);
    ASSERT_TRUE(cut.description.lostFrames);
    EXPECT_EQ(cut.description.lostFrames->where, "it is cut short in frame 2");
    EXPECT_EQ(cut.description.lostFrames->frames, 1u);
    EXPECT_FALSE(cut.description.lostFrames->atLeastFrames);
    EXPECT_NEAR(cut.description.lostFrames->seconds, 0.3, 1e-9);
    EXPECT_FALSE(cut.description.lostFrames->atLeastSeconds);
    expectColor(pixelOf(cut.frames[0], 0, 0), red);

    // Cut before the second frame's control chunk: its delay is not known.
    writeBytes(scratch / "earlier.png", whole.substr(0, whole.rfind("fcTL") - 2));
    auto earlier = readWhole(Reader::AnimatedPng, scratch / "earlier.png");
    ASSERT_EQ(earlier.frames.size(), 1u);
    ASSERT_TRUE(earlier.description.lostFrames);
    EXPECT_EQ(earlier.description.lostFrames->where, "it is cut short after frame 1");
    EXPECT_TRUE(earlier.description.lostFrames->atLeastSeconds);

    // Only the end chunk is missing: nothing is lost.
    writeBytes(scratch / "unended.png", whole.substr(0, whole.size() - 12));
    auto complete = readWhole(Reader::AnimatedPng, scratch / "unended.png");
    EXPECT_EQ(complete.frames.size(), 2u);
    EXPECT_FALSE(complete.description.lostFrames);
}

TEST(AnimatedPngOrdering, ControlChunksOutsideTheAnimationAreReadAsBrowsersReadThem) {
    ScratchFolder scratch;
    // A frame control chunk before the animation control: the animation plays, and the default
    // image is its first frame.
    auto early = readPng(scratch, {pngHeader(side, side), frameControl(0, side, side),
                                   animationControl(2, 1), imageData(filled(red)),
                                   frameControl(1, side, side), frameData(2, filled(green)),
                                   endChunk()});
    EXPECT_EQ(early.description.kind, SourceKind::AnimatedPng);
    EXPECT_EQ(early.description.plays, 1);
    ASSERT_EQ(early.frames.size(), 2u);
    expectColor(pixelOf(early.frames[0], 0, 0), red);
    expectColor(pixelOf(early.frames[1], 0, 0), green);
    EXPECT_TRUE(early.description.notes.empty());

    // The animation control after the image data: a still image.
    auto late = readPng(scratch, {pngHeader(side, side), imageData(filled(green)),
                                  animationControl(1, 0), frameControl(0, side, side),
                                  frameData(1, filled(red)), endChunk()});
    EXPECT_EQ(late.description.kind, SourceKind::StillImage);
    ASSERT_EQ(late.frames.size(), 1u);
    expectColor(pixelOf(late.frames[0], 0, 0), green);
    ASSERT_EQ(late.description.notes.size(), 1u);
    EXPECT_NE(late.description.notes[0].find("no animation control chunk"), std::string::npos);

    auto still = readPng(scratch, {pngHeader(side, side), imageData(filled(blue)), endChunk()});
    EXPECT_EQ(still.description.formatName, "png");
    EXPECT_TRUE(still.description.notes.empty());
}

TEST(AnimatedPngComposition, DisposalsAndBlendsIncludingOnTheFirstFrame) {
    ScratchFolder scratch;
    const std::vector<std::uint8_t> clearData = filled(clear, 1, 1);
    // Background: the first frame is cleared after it is shown.
    auto background = readPng(scratch, {pngHeader(side, side), animationControl(2, 0),
                                        frameControl(0, side, side, 0, 0, 1, 10, 1, 1),
                                        imageData(filled(red)), frameControl(1, 1, 1),
                                        frameData(2, clearData), endChunk()});
    ASSERT_EQ(background.frames.size(), 2u);
    expectColor(pixelOf(background.frames[0], 3, 3), red);
    expectColor(pixelOf(background.frames[1], 3, 3), clear);
    // Previous on the first frame clears as well; previous later gives back the area.
    auto previous = readPng(
        scratch, {pngHeader(side, side), animationControl(4, 0),
                  frameControl(0, side, side, 0, 0, 1, 10, 2, 1), imageData(filled(red)),
                  frameControl(1, side, side), frameData(2, filled(green)),
                  frameControl(3, 2, 2, 1, 1, 1, 10, 2, 0), frameData(4, filled(blue, 2, 2)),
                  frameControl(5, 1, 1, 0, 0, 1, 10, 0, 1), frameData(6, clearData), endChunk()});
    ASSERT_EQ(previous.frames.size(), 4u);
    expectColor(pixelOf(previous.frames[1], 0, 0), green);
    expectColor(pixelOf(previous.frames[2], 2, 2), blue);
    expectColor(pixelOf(previous.frames[2], 0, 0), green);
    expectColor(pixelOf(previous.frames[3], 2, 2), green);
    // Source replaces even with transparency; over lays half red on green.
    Picture halfRed = Picture::filled(side, side, {255, 0, 0, 128});
    auto blends = readPng(scratch, {pngHeader(side, side), animationControl(3, 0),
                                    imageData(filled(green)), frameControl(0, side, side),
                                    frameData(1, filled(green)),
                                    frameControl(2, side, side, 0, 0, 1, 10, 0, 1),
                                    frameData(3, compressedPicture(halfRed)),
                                    frameControl(4, 2, 2, 0, 0, 1, 10, 0, 0),
                                    frameData(5, filled(clear, 2, 2)), endChunk()});
    ASSERT_EQ(blends.frames.size(), 3u);
    expectColor(pixelOf(blends.frames[1], 0, 0), {128, 127, 0, 255});
    expectColor(pixelOf(blends.frames[2], 0, 0), clear);
    expectColor(pixelOf(blends.frames[2], 3, 3), {128, 127, 0, 255});
}

// Raw rows of one 16-bit RGBA colour.
std::vector<std::uint8_t> rows16(std::array<std::uint16_t, 4> color) {
    std::vector<std::uint8_t> raw;
    for (std::uint32_t pixel = 0; pixel < side * side; ++pixel)
        for (std::uint16_t channel : color) {
            raw.push_back(static_cast<std::uint8_t>(channel >> 8));
            raw.push_back(static_cast<std::uint8_t>(channel));
        }
    return compressedRows(raw, side * 8);
}

TEST(AnimatedPngComposition, EveryColourTypeAndDepthGivesTheColourItHolds) {
    ScratchFolder scratch;
    // 16-bit RGBA: half-transparent blue laid over opaque black gives dark blue.
    auto deep = readPng(scratch, {pngHeader(side, side, 16, 6), animationControl(2, 0),
                                  frameControl(0, side, side), imageData(rows16({0, 0, 0, 65535})),
                                  frameControl(1, side, side, 0, 0, 1, 10, 0, 1),
                                  frameData(2, rows16({0, 0, 65535, 0x8000})), endChunk()});
    ASSERT_EQ(deep.frames.size(), 2u);
    expectColor(pixelOf(deep.frames[1], 1, 1), {0, 0, 128, 255}, 1);
    // Grey, and grey with a gamma of 1 (linear), which browsers brighten for the display.
    std::vector<std::uint8_t> grey(side * side, 0x80);
    auto plain = readPng(scratch, {pngHeader(side, side, 8, 0),
                                   imageData(compressedRows(grey, side)), endChunk()});
    expectColor(pixelOf(plain.frames.at(0), 0, 0), {128, 128, 128, 255});
    auto linear = readPng(scratch, {pngHeader(side, side, 8, 0), PngChunk{"gAMA", {0, 1, 0x86, 0xa0}, false},
                                    imageData(compressedRows(grey, side)), endChunk()});
    expectColor(pixelOf(linear.frames.at(0), 0, 0), {186, 186, 186, 255}, 2);
    // A 2-bit palette with transparency, and grey with alpha; the palette's gamma chunk comes
    // after it, where libpng would pass over it.
    std::vector<std::uint8_t> indices(side, 0x1b);
    std::vector<PngChunk> paletted{pngHeader(side, side, 2, 3),
                                   PngChunk{"PLTE", {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9}, false},
                                   PngChunk{"tRNS", {0, 255, 128}, false},
                                   imageData(compressedRows(indices, 1)), endChunk()};
    auto palette = readPng(scratch, paletted);
    expectColor(pixelOf(palette.frames.at(0), 0, 0), {255, 0, 0, 0});
    expectColor(pixelOf(palette.frames.at(0), 1, 0), green);
    expectColor(pixelOf(palette.frames.at(0), 2, 0), {0, 0, 255, 128});
    expectColor(pixelOf(palette.frames.at(0), 3, 0), {9, 9, 9, 255});
    paletted.insert(paletted.begin() + 3, PngChunk{"gAMA", {0, 1, 0x86, 0xa0}, false});
    auto brightened = readPng(scratch, paletted);
    expectColor(pixelOf(brightened.frames.at(0), 3, 0), {56, 56, 56, 255}, 2);
    std::vector<std::uint8_t> greyAlpha;
    for (std::uint32_t pixel = 0; pixel < side * side; ++pixel)
        greyAlpha.insert(greyAlpha.end(), {200, 100});
    auto translucent = readPng(scratch, {pngHeader(side, side, 8, 4),
                                         imageData(compressedRows(greyAlpha, side * 2)),
                                         endChunk()});
    expectColor(pixelOf(translucent.frames.at(0), 0, 0), {200, 200, 200, 100});
}

TEST(AnimatedPngTiming, DelaysAreFractionsAndTinyOnesLastATenth) {
    ScratchFolder scratch;
    auto timed = readPng(scratch, {pngHeader(side, side), animationControl(4, 3),
                                   imageData(filled(red)),
                                   frameControl(0, side, side, 0, 0, 0, 0), frameData(1, filled(red)),
                                   frameControl(2, side, side, 0, 0, 32767, 65534), frameData(3, filled(red)),
                                   frameControl(4, side, side, 0, 0, 50, 0), frameData(5, filled(red)),
                                   frameControl(6, side, side, 0, 0, 1, 100), frameData(7, filled(red)),
                                   endChunk()});
    ASSERT_EQ(timed.description.frames.size(), 4u);
    EXPECT_EQ(timed.description.plays, 3);
    const double durations[] = {0.1, 0.5, 0.5, 0.1};
    for (std::size_t index = 0; index < 4; ++index)
        EXPECT_NEAR(timed.description.frames[index].duration, durations[index], 1e-9);
}

} // namespace
} // namespace velorin::tools
