// Planning an imported sequence: the eased sampling, the frame count, trimming, holding and
// filling a showing, handing source frames to output frames, and fitting the memory budget.
#include "platform/display/Layer.h"
#include "tools/import/BudgetFit.h"
#include "tools/import/EasedSampling.h"
#include "tools/import/FrameSampler.h"
#include "tools/import/RunPlan.h"

#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

constexpr std::size_t budget = 512ull * 1024 * 1024;

bool mentions(const RunPlan& plan, const std::string& text) {
    for (const std::string& note : plan.notes) {
        if (note.find(text) != std::string::npos)
            return true;
    }
    return false;
}

TEST(ImportBudgetFit, WhatCannotFitIsLeftWithTheSmallestShapeTried) {
    // A 4-second run in a 2000-point box: even 15 frames a second at scale 2 is far too much.
    auto fit = fitToBudget({{2000, 2000}, 4, 30, importScale, false}, budget);
    ASSERT_TRUE(fit);
    EXPECT_FALSE(fit->fits);
    EXPECT_EQ(fit->shape.framesPerSecond, lowestFallbackFramesPerSecond);
    EXPECT_EQ(fit->shape.scale, lowestFallbackScale);
    EXPECT_GT(fit->shape.decodedBytes(), budget);
    // A box whose frames would pass 8192 pixels a side has no shape at all.
    EXPECT_FALSE(fitToBudget({{3000, 100}, 4, 30, importScale, false}, budget));
}

TEST(ImportBudgetFit, TheRateGoesFirstThenTheScale) {
    // 150x150 points at scale 3 and 30 frames a second: 121 frames of 450x450, 93 MiB.
    auto small = fitToBudget({{150, 150}, 4, 30, importScale, false}, budget);
    ASSERT_TRUE(small && small->fits);
    EXPECT_FALSE(small->rateLowered || small->scaleLowered);
    EXPECT_EQ(small->shape.frameCount, 121);
    EXPECT_EQ(small->shape.decodedBytes(), 121u * 450 * 450 * 4);
    // 300x300 points: 121 frames of 900x900 is 374 MiB; 400x400 needs a lower rate.
    auto larger = fitToBudget({{400, 400}, 4, 30, importScale, false}, budget);
    ASSERT_TRUE(larger && larger->fits);
    EXPECT_TRUE(larger->rateLowered);
    EXPECT_FALSE(larger->scaleLowered);
    EXPECT_LT(larger->shape.framesPerSecond, 30);
    EXPECT_GE(larger->shape.framesPerSecond, lowestFallbackFramesPerSecond);
    EXPECT_LE(larger->shape.decodedBytes(), budget);
    auto faster =
        fitToBudget({{400, 400}, 4, larger->shape.framesPerSecond + 1, importScale, false}, budget);
    EXPECT_GT(faster->shape.framesPerSecond, 0);
    EXPECT_TRUE(faster->rateLowered) << "the highest rate that fits was chosen";
    // 600x600 points does not fit at 15 frames a second and scale 3; a lower scale does.
    auto largest = fitToBudget({{600, 600}, 4, 30, importScale, false}, budget);
    ASSERT_TRUE(largest && largest->fits);
    EXPECT_TRUE(largest->scaleLowered);
    EXPECT_EQ(largest->shape.framesPerSecond, lowestFallbackFramesPerSecond);
    EXPECT_LT(largest->shape.scale, importScale);
    EXPECT_GE(largest->shape.scale, lowestFallbackScale);
    // A single frame is one frame whatever the rate.
    auto still = fitToBudget({{150, 150}, 4, 30, importScale, true}, budget);
    EXPECT_EQ(still->shape.frameCount, 1);
}

TEST(ImportEasedSampling, TheInverseCurveIsMonotoneAndMeetsTheEnds) {
    EXPECT_EQ(timeFractionForProgress(0), 0);
    EXPECT_EQ(timeFractionForProgress(1), 1);
    EXPECT_EQ(timeFractionForProgress(-2), 0);
    EXPECT_EQ(timeFractionForProgress(7), 1);
    auto curve = platform::CAMediaTimingFunction::functionWithName(
        platform::kCAMediaTimingFunctionEaseInEaseOut);
    double previous = 0;
    for (int step = 1; step <= 1000; ++step) {
        double progress = step / 1000.0;
        double fraction = timeFractionForProgress(progress);
        EXPECT_GT(fraction, previous);
        EXPECT_NEAR(curve.evaluate(fraction), progress, 1e-9);
        // The curve is slow at the start, so a little progress takes more of the time.
        if (progress < 0.5) {
            EXPECT_GT(fraction, progress);
        }
        EXPECT_NEAR(timeFractionForProgress(1 - progress), 1 - fraction, 1e-9);
        previous = fraction;
    }
}

TEST(ImportEasedSampling, FramesSitAtTheirShareOfTheRun) {
    EXPECT_EQ(frameCountForRun(4, 30), 121);
    EXPECT_EQ(frameCountForRun(0.6, 30), 19);
    EXPECT_EQ(frameCountForRun(0.01, 30), 2);
    for (int index = 0; index < 121; ++index) {
        double progress = index / 120.0;
        EXPECT_NEAR(runTimeOfFrame(index, 121, 4, Pacing::Eased), 4 * progress, 1e-12);
        EXPECT_NEAR(runTimeOfFrame(index, 121, 4, Pacing::SourcePace),
                    4 * timeFractionForProgress(progress), 1e-12);
    }
    EXPECT_EQ(runTimeOfFrame(120, 121, 4, Pacing::SourcePace), 4);
    EXPECT_EQ(runTimeOfFrame(0, 1, 4, Pacing::SourcePace), 0);
}

TEST(ImportRunPlan, LongSourcesAreTrimmedUnlessTheirLengthIsKept) {
    RunPlan trimmed =
        planRun(6.5, std::nullopt, LengthChoice::TrimToShowing, FillChoice::HoldLastFrame);
    EXPECT_EQ(trimmed.runSeconds, showingLengthSeconds);
    EXPECT_TRUE(mentions(trimmed, "only its first 4 s"));
    EXPECT_EQ(trimmed.sourceTimeAt(4, true), 4);
    RunPlan kept = planRun(6.5, std::nullopt, LengthChoice::KeepLength, FillChoice::RepeatCycles);
    EXPECT_EQ(kept.runSeconds, 6.5);
    EXPECT_TRUE(mentions(kept, "cuts the last 2.5 s"));
    EXPECT_TRUE(mentions(kept, "already fills"));
    EXPECT_TRUE(planRun(4, playsForever, LengthChoice::TrimToShowing, FillChoice::HoldLastFrame)
                    .notes.empty());
}

TEST(ImportRunPlan, ShortSourcesPlayAsTheySayInWholeCyclesOrOnceWhenAsked) {
    // A spinner that loops forever fills the showing with whole cycles by itself: four of
    // 0.96 s, ending on the last frame of the fourth, then held for 0.16 s.
    RunPlan spinner =
        planRun(0.96, playsForever, LengthChoice::TrimToShowing, FillChoice::AsTheSourceSays);
    EXPECT_NEAR(spinner.runSeconds, 3.84, 1e-12);
    EXPECT_TRUE(spinner.repeats);
    EXPECT_NEAR(spinner.sourceTimeAt(1.0, false), 0.04, 1e-12);
    EXPECT_NEAR(spinner.sourceTimeAt(3.84, true), 0.96, 1e-12);
    EXPECT_TRUE(mentions(spinner, "cycle plays 4 times (it loops forever; --once plays it once)"));
    EXPECT_TRUE(mentions(spinner, "holds for the last 0.16 s"));
    // A cycle that divides the showing fills it exactly.
    EXPECT_EQ(planRun(1, playsForever, LengthChoice::TrimToShowing, FillChoice::AsTheSourceSays)
                  .runSeconds,
              showingLengthSeconds);

    // --once plays one cycle and holds its last frame.
    RunPlan held =
        planRun(1.5, playsForever, LengthChoice::TrimToShowing, FillChoice::HoldLastFrame);
    EXPECT_EQ(held.runSeconds, 1.5);
    EXPECT_FALSE(held.repeats);
    EXPECT_TRUE(mentions(held, "holds for the last 2.5 s"));
    EXPECT_TRUE(mentions(held, "--once"));

    // A source that says how often it plays keeps that count, within the showing's whole
    // cycles, and ends on the last frame of its last cycle.
    RunPlan twice = planRun(1, 2, LengthChoice::TrimToShowing, FillChoice::AsTheSourceSays);
    EXPECT_EQ(twice.runSeconds, 2);
    EXPECT_EQ(twice.sourceTimeAt(2, true), 1);
    EXPECT_TRUE(mentions(twice, "it says it plays 2 times"));
    RunPlan thrice = planRun(1.5, 3, LengthChoice::TrimToShowing, FillChoice::AsTheSourceSays);
    EXPECT_EQ(thrice.runSeconds, 3);
    EXPECT_NEAR(thrice.sourceTimeAt(2.5, false), 1, 1e-12);
    EXPECT_TRUE(mentions(thrice, "cycle plays 2 times"));
    EXPECT_TRUE(mentions(thrice, "holds for the last 1 s"));

    // A source that does not say plays once unless --fill repeats it; one that plays once is
    // never repeated.
    EXPECT_FALSE(
        planRun(1, std::nullopt, LengthChoice::TrimToShowing, FillChoice::AsTheSourceSays).repeats);
    RunPlan filled =
        planRun(1.5, std::nullopt, LengthChoice::TrimToShowing, FillChoice::RepeatCycles);
    EXPECT_EQ(filled.runSeconds, 3);
    EXPECT_TRUE(filled.repeats);
    EXPECT_TRUE(mentions(filled, "repeated as --fill asks"));
    RunPlan once = planRun(1, 1, LengthChoice::TrimToShowing, FillChoice::RepeatCycles);
    EXPECT_EQ(once.runSeconds, 1);
    EXPECT_FALSE(once.repeats);
    EXPECT_TRUE(mentions(once, "plays once, so it is not repeated"));
}

TEST(ImportFrameSampler, EachMomentGoesToTheFrameOnScreenThen) {
    // Output moments against source frames [0, 0.1), [0.1, 0.3), [0.3, 0.4).
    FrameSampler sampler({0, 0.1 - 1e-12, 0.05, 0.3, 0.4, 0.2}, 0.4);
    EXPECT_TRUE(sampler.wants(0.1));
    EXPECT_EQ(sampler.take(0.1), (std::vector<int>{0, 2}));
    EXPECT_EQ(sampler.take(0.3), (std::vector<int>{1, 5}))
        << "a moment on a boundary belongs to the later frame";
    EXPECT_FALSE(sampler.finished());
    EXPECT_EQ(sampler.take(0.4), (std::vector<int>{3, 4})) << "the last frame serves the end";
    EXPECT_TRUE(sampler.finished());
    EXPECT_FALSE(sampler.wants(0.5));

    FrameSampler sparse({0.5, 0.55}, 1);
    EXPECT_FALSE(sparse.wants(0.2));
    EXPECT_TRUE(sparse.take(0.5).empty());
    EXPECT_EQ(sparse.takeRemaining(), (std::vector<int>{0, 1}));
}

} // namespace
} // namespace velorin::tools
