// One rule for tiny delays, the same for GIF, animated PNG and animated WebP.
#include "tests/tools/import/sources/SourceTestSupport.h"
#include "tools/import/sources/FrameDelay.h"

namespace velorin::tools {
namespace {

using namespace testing;

TEST(FrameDelay, TenMillisecondsOrLessLastATenthInEveryFormat) {
    EXPECT_DOUBLE_EQ(frameDelaySeconds(0, 100), 0.1);
    EXPECT_DOUBLE_EQ(frameDelaySeconds(1, 100), 0.1);
    EXPECT_DOUBLE_EQ(frameDelaySeconds(10, 1000), 0.1);
    EXPECT_DOUBLE_EQ(frameDelaySeconds(11, 1000), 0.011);
    EXPECT_DOUBLE_EQ(frameDelaySeconds(2, 100), 0.02);
    EXPECT_DOUBLE_EQ(frameDelaySeconds(65535, 65535), 1);

    ScratchFolder scratch;
    std::vector<TimedPicture> frames = coloredFrames(2, 0, 4, 4);
    frames[1].milliseconds = 10;
    writeAnimatedWebp(scratch / "clip.webp", frames);
    GifLayout gif{4, 4, std::vector<Color>{red, green}, {filledGifFrame(0, 0, 4, 4, 0),
                                                         filledGifFrame(0, 0, 4, 4, 1)}};
    gif.frames[0].delayHundredths = 0;
    gif.frames[1].delayHundredths = 1;
    writeBytes(scratch / "clip.gif", gifBytes(gif));
    writeBytes(scratch / "clip.png",
               pngBytes({pngHeader(4, 4), animationControl(2), frameControl(0, 4, 4, 0, 0, 0, 0),
                         imageData(compressedPicture(Picture::filled(4, 4, red))),
                         frameControl(1, 4, 4, 0, 0, 1, 100),
                         frameData(2, compressedPicture(Picture::filled(4, 4, green))),
                         endChunk()}));
    for (auto [name, decoded] : {std::pair{"clip.webp", decodeWhole(scratch / "clip.webp")},
                                 std::pair{"clip.gif", readWhole(Reader::Gif, scratch / "clip.gif")},
                                 std::pair{"clip.png",
                                           readWhole(Reader::AnimatedPng, scratch / "clip.png")}}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(decoded.frames.size(), 2u);
        EXPECT_NEAR(decoded.description.frames[0].duration, 0.1, 1e-9);
        EXPECT_NEAR(decoded.description.frames[1].start, 0.1, 1e-9);
        EXPECT_NEAR(decoded.description.lengthSeconds, 0.2, 1e-9);
        EXPECT_NEAR(decoded.frames[1].start, 0.1, 1e-9);
        expectColor(pixelOf(decoded.frames[1], 0, 0), green);
    }
}

} // namespace
} // namespace velorin::tools
