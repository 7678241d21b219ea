#include "tools/import/ImportReport.h"

#include "common/ByteCount.h"

#include <cstdarg>
#include <cstdio>

namespace velorin::tools {

namespace {

__attribute__((format(printf, 2, 3))) void append(std::string& text, const char* format, ...) {
    char line[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    text += line;
}

std::string playsText(const PlayCount& plays) {
    if (!plays)
        return "";
    if (*plays == playsForever)
        return ", loops forever";
    if (*plays == 1)
        return ", plays once";
    return ", plays " + std::to_string(*plays) + " times";
}

} // namespace

std::string importReportText(const ImportOutcome& outcome) {
    const SequenceShape& shape = outcome.shape;
    std::string text;
    append(text, "Imported %s: %s\n", outcome.name.c_str(), outcome.folder.c_str());
    append(text, "  frames:  %d of %ux%u pixels (%gx%g points at scale %g)\n", shape.frameCount,
           shape.pixels.width, shape.pixels.height, outcome.box.width, outcome.box.height,
           shape.scale);
    if (outcome.singleFrame)
        append(text, "  run:     one still frame\n");
    else
        append(text, "  run:     %s at %g frames a second, %s\n",
               formatSeconds(outcome.runSeconds).c_str(), shape.framesPerSecond,
               outcome.pacing == Pacing::SourcePace
                   ? "sampled so that it plays at the source's own pace"
                   : "sampled evenly, so the device's ease-in-ease-out curve paces it");
    append(text, "  decoded: %s of the %s a showing may decode\n",
           common::describeByteCount(shape.decodedBytes()).c_str(),
           common::describeByteCount(outcome.budgetBytes).c_str());
    append(text, "  source:  %s, %ux%u pixels, %zu %s, %s%s\n", outcome.sourceFormat.c_str(),
           outcome.sourceWidth, outcome.sourceHeight, outcome.sourceFrames,
           outcome.sourceFrames == 1 ? "frame" : "frames",
           formatSeconds(outcome.sourceSeconds).c_str(), playsText(outcome.plays).c_str());
    if (!outcome.notes.empty()) {
        text += "notes:\n";
        for (const std::string& note : outcome.notes)
            append(text, "  - %s\n", note.c_str());
    }
    return text;
}

} // namespace velorin::tools
