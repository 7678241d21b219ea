#include "tools/import/RunPlan.h"

#include <cmath>
#include <cstdio>

namespace velorin::tools {

namespace {

// Lengths closer than this count as equal: far below a frame, above rounding in the sources'
// time bases.
constexpr double sameLength = 1e-6;

bool saysItLoops(PlayCount plays) {
    return plays && (*plays == playsForever || *plays > 1);
}

void planShorterSource(RunPlan& plan, PlayCount plays, FillChoice fill) {
    double source = plan.sourceSeconds;
    if (fill == FillChoice::RepeatCycles && plays && *plays == 1) {
        plan.notes.push_back("--fill: the source plays once, so it is not repeated");
    } else if (fill == FillChoice::RepeatCycles) {
        double cycles = showingLengthSeconds / source;
        if (plays && *plays != playsForever && *plays < cycles)
            cycles = *plays;
        plan.runSeconds = std::min(showingLengthSeconds, cycles * source);
        plan.repeats = true;
        char text[160];
        std::snprintf(text, sizeof text, "the source's %s cycle is repeated %.3g times%s",
                      formatSeconds(source).c_str(), plan.runSeconds / source,
                      plays ? "" : " (it does not say whether it loops; repeated as asked)");
        plan.notes.push_back(text);
        if (showingLengthSeconds - plan.runSeconds > sameLength)
            plan.notes.push_back("it plays " + std::to_string(*plays) +
                                 " times, so the last frame holds for the last " +
                                 formatSeconds(showingLengthSeconds - plan.runSeconds) +
                                 " of the showing");
        return;
    }
    std::string note = "the source lasts " + formatSeconds(source) + ", shorter than the " +
                       formatSeconds(showingLengthSeconds) +
                       " showing: the last frame holds for the last " +
                       formatSeconds(showingLengthSeconds - source);
    if (fill == FillChoice::HoldLastFrame && saysItLoops(plays))
        note += " (it loops: --fill repeats it to fill the showing)";
    plan.notes.push_back(note);
}

} // namespace

RunPlan planRun(double sourceSeconds, PlayCount plays, LengthChoice length, FillChoice fill) {
    RunPlan plan;
    plan.sourceSeconds = sourceSeconds;
    plan.runSeconds = sourceSeconds;
    if (sourceSeconds > showingLengthSeconds + sameLength) {
        if (length == LengthChoice::TrimToShowing) {
            plan.runSeconds = showingLengthSeconds;
            plan.notes.push_back("the source lasts " + formatSeconds(sourceSeconds) +
                                 ", longer than the " + formatSeconds(showingLengthSeconds) +
                                 " showing: only its first " + formatSeconds(showingLengthSeconds) +
                                 " are kept (--keep-length keeps all of it)");
        } else {
            plan.notes.push_back(
                "the run lasts " + formatSeconds(sourceSeconds) + " but a showing " + "lasts " +
                formatSeconds(showingLengthSeconds) + ": the device cuts the last " +
                formatSeconds(sourceSeconds - showingLengthSeconds));
        }
        if (fill == FillChoice::RepeatCycles)
            plan.notes.push_back("--fill: the source already fills the showing");
    } else if (sourceSeconds < showingLengthSeconds - sameLength) {
        planShorterSource(plan, plays, fill);
    }
    return plan;
}

double RunPlan::sourceTimeAt(double runTime, bool atRunEnd) const {
    if (!repeats || sourceSeconds <= 0)
        return std::min(runTime, sourceSeconds);
    double cycles = std::floor(runTime / sourceSeconds);
    double within = runTime - cycles * sourceSeconds;
    if (atRunEnd && cycles >= 1 && within < sameLength)
        return sourceSeconds;
    return std::min(within, sourceSeconds);
}

std::string formatSeconds(double seconds) {
    char text[48];
    std::snprintf(text, sizeof text, "%.3g s", seconds);
    if (std::fabs(seconds) >= 100)
        std::snprintf(text, sizeof text, "%.0f s", seconds);
    return text;
}

} // namespace velorin::tools
