#include "tools/import/EasedSampling.h"

#include "platform/display/Layer.h"

#include <algorithm>
#include <cmath>

namespace velorin::tools {

namespace {

// Enough halvings to pin the fraction far below any frame's length.
constexpr int bisectionSteps = 60;

} // namespace

double timeFractionForProgress(double progress) {
    if (!(progress > 0))
        return 0;
    if (progress >= 1)
        return 1;
    // The curve maps the time fraction onto progress and rises monotonically from (0, 0) to
    // (1, 1), so a bisection finds the one time fraction that gives this progress.
    static const platform::CAMediaTimingFunction curve =
        platform::CAMediaTimingFunction::functionWithName(
            platform::kCAMediaTimingFunctionEaseInEaseOut);
    double low = 0;
    double high = 1;
    for (int step = 0; step < bisectionSteps; ++step) {
        double middle = (low + high) / 2;
        if (curve.evaluate(middle) < progress)
            low = middle;
        else
            high = middle;
    }
    return (low + high) / 2;
}

int frameCountForRun(double runSeconds, double framesPerSecond) {
    double frames = std::round(runSeconds * framesPerSecond) + 1;
    if (!(frames >= 2))
        return 2;
    return frames > 1e9 ? 1000000000 : static_cast<int>(frames);
}

double runTimeOfFrame(int index, int count, double runSeconds, Pacing pacing) {
    if (count < 2 || index <= 0)
        return 0;
    if (index >= count - 1)
        return runSeconds;
    double progress = static_cast<double>(index) / (count - 1);
    double fraction = pacing == Pacing::Eased ? progress : timeFractionForProgress(progress);
    return runSeconds * fraction;
}

} // namespace velorin::tools
