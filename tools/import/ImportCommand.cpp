// velorin-sim import: makes a charging sequence from a GIF, an animated PNG or WebP, a short
// video, a Lottie animation, a still image or a folder of frames.
//
// Every option is checked before anything is written. An interruption (SIGINT or SIGTERM)
// stops the import between frames, removes what it had written and ends with the usual status
// for that signal (130 or 143).
#include "tools/common/Commands.h"
#include "tools/common/FaultReport.h"
#include "tools/common/InterruptionWatch.h"
#include "tools/common/NearestName.h"
#include "tools/common/NextSteps.h"
#include "tools/common/TerminalColour.h"
#include "tools/import/ImportPipeline.h"
#include "tools/import/ImportReport.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

namespace velorin::tools {

namespace {

struct ImportArguments {
    ImportRequest request;
    std::optional<double> framesPerSecond;
    std::string x;
    std::string y;
    bool eased{false};
    bool fill{false};
    bool once{false};
    bool keepLength{false};
    bool replace{false};
    bool strict{false};
};

common::Result<ImportRequest> completeRequest(ImportArguments& arguments) {
    ImportRequest request = arguments.request;
    if (arguments.framesPerSecond)
        request.framesPerSecond = *arguments.framesPerSecond;
    if (!arguments.x.empty()) {
        auto place = parseHorizontalPlace(arguments.x);
        if (!place)
            return common::Fault{"--x " + arguments.x,
                                 "expected center, right or a number of points" +
                                     didYouMean(arguments.x, {"center", "right"})};
        request.placement.x = *place;
    }
    if (!arguments.y.empty()) {
        auto place = parseVerticalPlace(arguments.y);
        if (!place)
            return common::Fault{"--y " + arguments.y,
                                 "expected center, bottom or a number of points" +
                                     didYouMean(arguments.y, {"center", "bottom"})};
        request.placement.y = *place;
    }
    request.pacing = arguments.eased ? Pacing::Eased : Pacing::SourcePace;
    if (arguments.fill && arguments.once)
        return common::Fault{"--once", "plays one cycle; --fill repeats cycles: give one of them"};
    request.fill = arguments.fill   ? FillChoice::RepeatCycles
                   : arguments.once ? FillChoice::HoldLastFrame
                                    : FillChoice::AsTheSourceSays;
    request.length = arguments.keepLength ? LengthChoice::KeepLength : LengthChoice::TrimToShowing;
    request.existing = arguments.replace ? ExistingSequence::Replace : ExistingSequence::Refuse;
    request.cutShort =
        arguments.strict ? CutShortSources::Refuse : CutShortSources::ImportWholeFrames;
    return request;
}

int runImport(ImportArguments& arguments) {
    auto request = completeRequest(arguments);
    if (!request)
        return report(request.fault());
    InterruptionWatch watch;
    ImportHooks hooks;
    hooks.interrupted = watch.check();
    hooks.progress = progressDisplayForStandardError();
    auto outcome = importSequence(request.value(), hooks);
    if (!outcome && watch.received())
        return watch.reportInterruption();
    if (!outcome)
        return report(outcome.fault());
    for (const std::string& warning : outcome.value().warnings)
        printWarning(warning);
    std::fputs(importReportText(outcome.value()).c_str(), stdout);
    const ImportOutcome& imported = outcome.value();
    std::fputs((imported.root.empty()
                    ? nextStepsOutsideRoot(imported.folder)
                    : nextStepsInRoot(imported.root, arguments.request.root, imported.name))
                   .c_str(),
               stdout);
    return 0;
}

} // namespace

CommandRun addImportOptions(CLI::App& command) {
    auto arguments = std::make_shared<ImportArguments>();
    ImportRequest& request = arguments->request;
    command.add_option("SOURCE", request.source, "The file or folder of frames to import")
        ->required();
    command.add_option("NAME", request.name,
                       "The sequence's name (default: the source's name without extension)");
    auto* root = command.add_option("--root", request.root,
                                    "Device root whose sequences receive it (default: your own)");
    command.add_option("--out", request.out, "Folder that receives the sequence folder instead")
        ->excludes(root);
    command.add_option("--fps", arguments->framesPerSecond,
                       "Frames a second of the sequence, and of a folder's frames (default: 30)");
    command.add_option("--duration", request.totalSeconds,
                       "A folder's frames last this many seconds in all (instead of --fps)");
    command.add_option("--width", request.box.widthPoints,
                       "Box width in points (default: 150, or from --height); the frames are made "
                       "at scale 3");
    command.add_option("--height", request.box.heightPoints,
                       "Box height in points (default: from the width and the source); the frames "
                       "are made at scale 3");
    command.add_option("--scale", request.box.scale,
                       "Pixels a point of the frames (default: 3, or the source's own pixels when "
                       "it has fewer, so that a small source is not enlarged)");
    command.add_option("--x", arguments->x, "Left edge: center, right or points (default: center)");
    command.add_option("--y", arguments->y, "Top edge: center, bottom or points (default: bottom)");
    command.add_option("--x-offset", request.placement.xOffsetFromBottom,
                       "Gap to the right edge in points when --x is right (xOffsetFromBottom)");
    command.add_option("--y-offset", request.placement.yOffsetFromBottom,
                       "Gap to the bottom edge in points when --y is bottom (yOffsetFromBottom)");
    command.add_flag("--eased", arguments->eased,
                     "Sample evenly, so the device's ease-in-ease-out curve paces the source");
    command.add_flag("--fill", arguments->fill,
                     "Repeat the source's cycles to fill the four-second showing, even when it "
                     "does not say it loops (a source that loops forever does so by itself)");
    command.add_flag("--once", arguments->once,
                     "Play one cycle of a looping source and hold its last frame");
    command.add_flag("--keep-length", arguments->keepLength,
                     "Keep all of a source longer than a showing (the device cuts it at 4 s)");
    command.add_flag("--replace", arguments->replace, "Replace a sequence of the same name");
    command.add_flag("--strict", arguments->strict,
                     "Refuse a source that is cut short instead of importing its whole frames");
    return [arguments] { return runImport(*arguments); };
}

} // namespace velorin::tools
