// velorin-sim import of sources that are not whole or that FFmpeg could not blend: a file cut
// short imports its whole frames with a warning (or is refused with --strict), and the report
// counts what was imported.
#include "platform/display/Image.h"
#include "tests/tools/common/SimProcess.h"
#include "tests/tools/import/sources/SourceTestSupport.h"

#include <fstream>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using namespace testing;

// Four 8x8 frames of 0.25 s; the GIF cut in the data of its fourth.
std::string cutGif() {
    GifLayout layout{8, 8, std::vector<Color>{red, green, blue, white}, {}};
    for (std::uint8_t index = 0; index < 4; ++index) {
        layout.frames.push_back(filledGifFrame(0, 0, 8, 8, index));
        layout.frames.back().delayHundredths = 25;
    }
    std::string whole = gifBytes(layout);
    layout.frames.pop_back();
    std::size_t fourth = gifBytes(layout).size() - 1;
    return whole.substr(0, fourth + 8 + 10 + 5);
}

TEST(ImportCutShort, ImportsTheWholeFramesWithAWarningOrRefusesWithStrict) {
    ScratchFolder scratch;
    fs::path out = scratch / "out";
    fs::create_directory(out);
    writeBytes(scratch / "cut.gif", cutGif());
    // The program's own home lies in a folder apart, so that the snapshot sees only the source
    // and the output folder.
    fs::path home = scratch / "home";
    fs::create_directory(home);
    auto before = snapshotOf(out);
    std::string source = readWholeFile(scratch / "cut.gif");
    auto strict = runVelorinSim(
        home, {"import", (scratch / "cut.gif").string(), "--out", out.string(), "--strict"});
    EXPECT_EQ(strict.status, 2);
    EXPECT_NE(strict.err.find("--strict refuses a source that is not whole: it is cut short in "
                              "frame 4"),
              std::string::npos)
        << strict.err;
    EXPECT_TRUE(fs::is_empty(out));
    EXPECT_EQ(snapshotOf(out), before);
    EXPECT_EQ(readWholeFile(scratch / "cut.gif"), source);

    auto imported =
        runVelorinSim(home, {"import", (scratch / "cut.gif").string(), "--out", out.string()});
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.err.find("velorin-sim: warning: " + (scratch / "cut.gif").string() +
                                ": it is cut short in frame 4: at least 1 frame (at least 0.25 "
                                "s) is lost; 3 whole frames (0.75 s) are imported"),
              std::string::npos)
        << imported.err;
    EXPECT_NE(imported.out.find("3 frames, 0.75 s"), std::string::npos) << imported.out;
    EXPECT_EQ(imported.out.find("FFmpeg"), std::string::npos);
}

TEST(ImportCutShort, ASixteenBitAnimatedPngBlendedOverItsFirstFrameImportsItsBlend) {
    ScratchFolder scratch;
    auto rows = [](std::array<std::uint16_t, 4> color) {
        std::vector<std::uint8_t> raw;
        for (int pixel = 0; pixel < 64; ++pixel)
            for (std::uint16_t channel : color) {
                raw.push_back(static_cast<std::uint8_t>(channel >> 8));
                raw.push_back(static_cast<std::uint8_t>(channel));
            }
        return compressedRows(raw, 8 * 8);
    };
    writeBytes(
        scratch / "deep.png",
        pngBytes({pngHeader(8, 8, 16, 6), animationControl(2, 1), frameControl(0, 8, 8, 0, 0, 1, 1),
                  imageData(rows({0, 0, 0, 65535})), frameControl(1, 8, 8, 0, 0, 1, 1, 0, 1),
                  frameData(2, rows({0, 0, 65535, 0x8000})), endChunk()}));
    fs::path out = scratch / "out";
    auto imported = runVelorinSim(scratch.path(), {"import", (scratch / "deep.png").string(),
                                                   "--out", out.string(), "--fps", "4"});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.out.find("animated PNG, 8x8 pixels, 2 frames, 2 s"), std::string::npos)
        << imported.out;
    // The last frame written shows the blend: dark blue, not black.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(out / "deep"))
        if (entry.path().extension() == ".png")
            names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    ASSERT_FALSE(names.empty());
    std::string bytes = readWholeFile(names.back());
    auto image =
        platform::decodePng({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    ASSERT_TRUE(image);
    const std::uint8_t* pixel = image->pixelAt(image->width() / 2, image->height() / 2);
    EXPECT_NEAR(pixel[2], 128, 3);
    EXPECT_LT(pixel[0], 5);
    EXPECT_EQ(pixel[3], 255);
}

} // namespace
} // namespace velorin::tools
