// A Lottie animation imported whole: every frame of the sequence shows the colour the
// animation shows at the moment that frame stands for, under both pacings, drawn at the box's
// size and scale.
#include "tests/tools/common/SimProcess.h"
#include "tests/tools/import/ImportTestSupport.h"
#include "tests/tools/import/sources/lottie/LottieTestFile.h"
#include "tools/import/EasedSampling.h"
#include "tools/import/ImportPipeline.h"

#include <cmath>
#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using testing::SquareAnimation;

TEST(LottieImport, EachSequenceFrameShowsTheColourOfItsMoment) {
    testing::ScratchFolder scratch;
    SquareAnimation animation;
    animation.write(scratch / "square.json");
    fs::create_directory(scratch / "out");
    for (Pacing pacing : {Pacing::Eased, Pacing::SourcePace}) {
        SCOPED_TRACE(pacing == Pacing::Eased ? "eased" : "source pace");
        ImportRequest request;
        request.source = (scratch / "square.json").string();
        request.name = pacing == Pacing::Eased ? "eased" : "paced";
        request.out = (scratch / "out").string();
        request.framesPerSecond = 10;
        request.pacing = pacing;
        auto outcome = importSequence(request, {});
        ASSERT_TRUE(outcome) << outcome.fault().text();
        // Three seconds at ten frames a second: 31 frames of a 150 × 75 point box at scale 3.
        EXPECT_DOUBLE_EQ(outcome.value().runSeconds, 3.0);
        auto frames = testing::sequenceFrames(scratch / "out" / request.name);
        ASSERT_EQ(frames.size(), 31u);
        for (int index = 0; index < 31; ++index) {
            SCOPED_TRACE(index);
            ASSERT_TRUE(frames[index]);
            ASSERT_EQ(frames[index]->width(), 450u);
            ASSERT_EQ(frames[index]->height(), 225u);
            double moment = runTimeOfFrame(index, 31, 3.0, pacing);
            int shown = std::min(29, static_cast<int>(std::floor(moment * 10 + 1e-6)));
            testing::Color expected = animation.colorAt(animation.inPoint + shown);
            const std::uint8_t* centre = frames[index]->pixelAt(225, 112);
            EXPECT_EQ(centre[0], expected.red);
            EXPECT_EQ(centre[1], expected.green);
            EXPECT_EQ(centre[2], expected.blue);
            EXPECT_EQ(frames[index]->pixelAt(3, 3)[3], 0);
        }
    }
}

TEST(LottieImport, TheCommandNamesTheSourceAsALottieAnimation) {
    testing::ScratchFolder scratch;
    SquareAnimation{}.write(scratch / "square.json");
    auto outcome = testing::runVelorinSim(
        scratch.path(), {"import", (scratch / "square.json").string(), "--out", scratch.path()});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("Lottie animation"), std::string::npos) << outcome.out;
    EXPECT_TRUE(fs::exists(scratch / "square" / "options.json"));
}

} // namespace
} // namespace velorin::tools
