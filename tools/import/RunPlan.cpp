#include "tools/import/RunPlan.h"

#include <algorithm>
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

std::string timesText(double times) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f %s", times, times == 1 ? "time" : "times");
    return text;
}

// Why a shorter source is repeated, or none when it is not: one that loops forever fills the
// showing, one that says how often it plays keeps that count, and --fill repeats one that does
// not say; --once, and a source that plays once, are not repeated.
std::optional<std::string> repetitionReason(PlayCount plays, FillChoice fill) {
    if (fill == FillChoice::HoldLastFrame || (plays && *plays == 1))
        return std::nullopt;
    if (!plays)
        return fill == FillChoice::RepeatCycles
                   ? std::optional<std::string>("it does not say whether it loops; repeated as "
                                                "--fill asks")
                   : std::nullopt;
    if (*plays == playsForever)
        return std::string("it loops forever; --once plays it once");
    return "it says it plays " + timesText(*plays) + "; --once plays it once";
}

void planShorterSource(RunPlan& plan, PlayCount plays, FillChoice fill) {
    double source = plan.sourceSeconds;
    if (fill == FillChoice::RepeatCycles && plays && *plays == 1)
        plan.notes.push_back("--fill: the source plays once, so it is not repeated");
    if (auto reason = repetitionReason(plays, fill)) {
        // Whole cycles only: a run that stopped within a cycle would end on a frame the source
        // never rests on.
        double cycles = std::max(1.0, std::floor(showingLengthSeconds / source + sameLength));
        if (plays && *plays != playsForever)
            cycles = std::min(cycles, static_cast<double>(*plays));
        plan.runSeconds = cycles * source;
        plan.repeats = cycles > 1;
        plan.notes.push_back("the source's " + formatSeconds(source) + " cycle plays " +
                             timesText(cycles) + " (" + *reason + ")");
        if (showingLengthSeconds - plan.runSeconds > sameLength)
            plan.notes.push_back("the last frame holds for the last " +
                                 formatSeconds(showingLengthSeconds - plan.runSeconds) +
                                 " of the showing");
        return;
    }
    std::string note = "the source lasts " + formatSeconds(source) + ", shorter than the " +
                       formatSeconds(showingLengthSeconds) +
                       " showing: the last frame holds for the last " +
                       formatSeconds(showingLengthSeconds - source);
    if (fill == FillChoice::HoldLastFrame && saysItLoops(plays))
        note += " (--once: it loops, but plays one cycle)";
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
