#include "tools/import/ImportPipeline.h"

#include "common/SystemCalls.h"

#include "common/ByteCount.h"
#include "platform/display/Image.h"
#include "tools/common/SampleRoot.h"
#include "tools/common/SequenceArgument.h"
#include "tools/import/FrameFileWriting.h"
#include "tools/import/FrameSampler.h"
#include "tools/import/HardEdges.h"
#include "tools/import/PremultipliedResize.h"
#include "tools/import/SequenceFrameNames.h"
#include "tools/import/sources/SourceFormats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

// A folder's frames may last from a frame at the highest rate to an hour in all.
constexpr double longestFolderSeconds = 3600;

std::string rate(double framesPerSecond) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", framesPerSecond);
    return text;
}

bool positiveFinite(double value) {
    return std::isfinite(value) && value > 0;
}

common::Result<void> checkRequest(const ImportRequest& request) {
    if (!positiveFinite(request.framesPerSecond) ||
        request.framesPerSecond > mostImportFramesPerSecond)
        return common::Fault{"--fps", "expected a rate above 0 and up to " +
                                          rate(mostImportFramesPerSecond) + " frames a second"};
    if (request.totalSeconds &&
        (!positiveFinite(*request.totalSeconds) || *request.totalSeconds > longestFolderSeconds))
        return common::Fault{"--duration",
                             "expected a length above 0 and up to an hour, in seconds"};
    for (auto [side, option] : {std::pair{request.box.widthPoints, "--width"},
                                std::pair{request.box.heightPoints, "--height"}}) {
        if (side && !positiveFinite(*side))
            return common::Fault{option, "expected a size above 0, in points"};
    }
    for (auto [offset, option] : {std::pair{request.placement.xOffsetFromBottom, "--x-offset"},
                                  std::pair{request.placement.yOffsetFromBottom, "--y-offset"}}) {
        if (offset && !std::isfinite(*offset))
            return common::Fault{option, "expected a number of points"};
    }
    if (request.box.scale &&
        (!positiveFinite(*request.box.scale) || *request.box.scale > importScale))
        return common::Fault{"--scale",
                             "expected pixels a point above 0 and up to " + rate(importScale)};
    if (!request.root.empty() && !request.out.empty())
        return common::Fault{"--out", "give either --root or --out, not both"};
    return {};
}

// The source must stay as it is: the sequence may neither replace a folder that holds it nor
// be written inside the source folder.
common::Result<void> checkApart(const std::string& source, const std::string& destination) {
    std::error_code error;
    fs::path from = fs::weakly_canonical(source, error);
    fs::path to = fs::weakly_canonical(destination, error);
    auto within = [](const fs::path& inner, const fs::path& outer) {
        auto [end, unused] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
        return end == outer.end();
    };
    if (within(from, to))
        return common::Fault{destination, "holds the source; choose another name or folder"};
    if (fs::is_directory(from, error) && within(to, from))
        return common::Fault{destination, "lies inside the source folder; choose another folder"};
    return {};
}

// Writes each wanted source frame, resized, to the output frames that show it. The frames are
// encoded and written on other threads (FrameFileWriting.h) while the source decodes on.
class SequenceWriter final : public FrameConsumer {
public:
    SequenceWriter(const StagedSequence& staged, const SequenceShape& shape,
                   const std::vector<double>& sourceTimes, double sourceEnd,
                   const ImportHooks& hooks, int sourceFrames)
        : m_shape(shape), m_sampler(sourceTimes, sourceEnd), m_hooks(hooks),
          m_keptFrames(sourceFrames), m_progress("Importing", sourceFrames, hooks.progress),
          m_files(staged, shape.frameCount) {}

    common::Result<void> poll() override {
        TRY(common::stopIfInterrupted(m_hooks.interrupted));
        m_progress.update(std::min(++m_visited, m_keptFrames));
        return {};
    }
    // The filter frames are resized with, chosen on the first frame of another size than the
    // sequence's; a video hands that frame over at its own size and scales the later ones
    // itself with the filter chosen.
    ResizeFilter filter() const { return m_filter.value_or(ResizeFilter::Smooth); }
    bool wants(double, double end) const override { return m_sampler.wants(end); }
    bool finished() const override { return m_sampler.finished(); }
    std::optional<PixelSize> drawingSize() const override { return m_shape.pixels; }
    std::optional<ResizeFilter> resizeFilter() const override { return m_filter; }

    common::Result<void> take(const CanvasFrame& frame) override {
        std::vector<int> frames = m_sampler.take(frame.start + frame.duration);
        if (frames.empty())
            return {};
        // A frame made at the sequence's size (a vector source's, a video's) is taken as it is.
        bool madeToSize =
            frame.width == m_shape.pixels.width && frame.height == m_shape.pixels.height;
        if (!madeToSize && !m_filter)
            m_filter = chooseResizeFilter(frame.pixels, frame.width, frame.height,
                                          m_shape.pixels.width, m_shape.pixels.height);
        auto pixels = madeToSize ? frame.pixels
                      : m_filter == ResizeFilter::NearestNeighbour
                          ? nearestResizeRgba(frame.pixels, frame.width, frame.height,
                                              m_shape.pixels.width, m_shape.pixels.height)
                          : resizeRgba(frame.pixels, frame.width, frame.height,
                                       m_shape.pixels.width, m_shape.pixels.height);
        return m_files.add(std::move(pixels), m_shape.pixels.width, m_shape.pixels.height,
                           std::move(frames));
    }

    // Output frames the source did not reach, when it ended early, show its last frame.
    common::Result<void> finish() {
        m_progress.finish();
        return m_files.finish(m_sampler.takeRemaining());
    }

private:
    SequenceShape m_shape;
    FrameSampler m_sampler;
    const ImportHooks& m_hooks;
    int m_keptFrames;
    ProgressBar m_progress;
    int m_visited{0};
    std::optional<ResizeFilter> m_filter;
    FrameFileWriter m_files;
};

// The source frames up to the last moment the sequence shows: decoding stops after them, so the
// progress counts only these.
int keptSourceFrames(const SourceDescription& source, const std::vector<double>& sourceTimes) {
    double last =
        sourceTimes.empty() ? 0 : *std::max_element(sourceTimes.begin(), sourceTimes.end());
    std::size_t kept = 0;
    for (const FrameTiming& frame : source.frames) {
        if (kept > 0 && frame.start > last + 1e-9)
            break;
        ++kept;
    }
    return static_cast<int>(std::max<std::size_t>(kept, 1));
}

// The device root that receives the sequence (none with --out) and the folder it goes into.
struct ImportDestination {
    std::string root;
    std::string parent;
};

common::Result<ImportDestination> chooseDestination(const ImportRequest& request) {
    if (!request.out.empty())
        return ImportDestination{{}, request.out};
    auto root = TRY(chooseDeviceRoot(request.root, RootAccess::Write));
    auto parent = TRY(sequencesFolderForWriting(root));
    return ImportDestination{std::move(root), std::move(parent)};
}

common::Result<BudgetFit> fitShape(const ImportRequest& request, const SourceDescription& source,
                                   double runSeconds, PointBox box, double scale) {
    ShapeRequest shapeRequest{box, runSeconds, request.framesPerSecond, scale,
                              source.singleFrame()};
    auto fit = fitToBudget(shapeRequest, request.budgetBytes);
    if (!fit)
        return common::Fault{request.box.widthPoints || request.box.heightPoints
                                 ? "--width/--height"
                                 : request.source,
                             "at scale " + rate(scale) + " the frames would pass " +
                                 std::to_string(platform::maximumImageSide) +
                                 " pixels a side; choose a smaller box"};
    const SequenceShape& shape = fit->shape;
    if (!fit->fits)
        return common::Fault{
            request.source,
            "the sequence needs " + std::to_string(shape.frameCount) + " frames of " +
                std::to_string(shape.pixels.width) + "x" + std::to_string(shape.pixels.height) +
                " pixels, " +
                common::describeByteCountOver(shape.decodedBytes(), request.budgetBytes) +
                " decoded, even at " + rate(shape.framesPerSecond) + " frames a second and scale " +
                rate(shape.scale) + "; a showing decodes at most " +
                common::describeByteCount(request.budgetBytes) +
                ". Make the box smaller (--width/--height), lower --fps, or shorten the run" +
                (request.length == LengthChoice::KeepLength ? " (without --keep-length)" : "")};
    if (shape.frameCount > mostSequenceFrames)
        return common::Fault{request.source, "the sequence would have " +
                                                 std::to_string(shape.frameCount) +
                                                 " frames; a sequence holds at most " +
                                                 std::to_string(mostSequenceFrames)};
    return *fit;
}

void noteFallbacks(const BudgetFit& fit, const ImportRequest& request, double scale,
                   std::vector<std::string>& notes) {
    std::string budget = common::describeByteCount(request.budgetBytes);
    if (fit.rateLowered)
        notes.push_back("frame rate lowered from " + rate(request.framesPerSecond) + " to " +
                        rate(fit.shape.framesPerSecond) + " frames a second to fit the " + budget +
                        " a showing may decode");
    if (fit.scaleLowered)
        notes.push_back("scale lowered from " + rate(scale) + " to " + rate(fit.shape.scale) +
                        " pixels a point to fit the " + budget + " a showing may decode");
}

std::string frameCount(std::size_t frames) {
    return std::to_string(frames) + (frames == 1 ? " frame" : " frames");
}

} // namespace

std::string lostFramesText(const SourceDescription& source) {
    const LostFrames& lost = *source.lostFrames;
    std::string text = lost.where + ": ";
    if (lost.frames == 0 && lost.atLeastFrames) {
        text += "any frames that followed are lost";
    } else {
        text += std::string(lost.atLeastFrames ? "at least " : "") + frameCount(lost.frames) +
                " (" + (lost.atLeastSeconds ? "at least " : "") + formatSeconds(lost.seconds) +
                ") " + (lost.frames == 1 ? "is" : "are") + " lost";
    }
    std::size_t whole = source.frames.size();
    return text + "; " + std::to_string(whole) +
           (whole == 1 ? " whole frame (" : " whole frames (") +
           formatSeconds(source.lengthSeconds) + (whole == 1 ? ") is imported" : ") are imported");
}

common::Result<ImportOutcome> importSequence(const ImportRequest& request,
                                             const ImportHooks& hooks) {
    TRY(checkRequest(request));
    auto [root, parent] = TRY(chooseDestination(request));
    std::string name = request.name.empty() ? sequenceNameFromSource(request.source) : request.name;
    TRY(checkSequenceName(name));
    std::string destination = (fs::path(parent) / name).string();
    std::error_code error;
    if (request.existing == ExistingSequence::Refuse &&
        fs::exists(fs::symlink_status(destination, error)))
        return common::Fault{destination, "already exists (--replace replaces it)"};
    if (!looksLikeUrl(request.source) && fs::exists(request.source, error)) {
        TRY(checkApart(request.source, destination));
        if (request.totalSeconds && !fs::is_directory(request.source, error))
            return common::Fault{"--duration",
                                 "times a folder of frames; " + request.source + " is a file"};
    }
    FolderTiming timing{request.framesPerSecond, request.totalSeconds};
    auto opened = TRY(openMediaSource(request.source, timing, hooks.interrupted));
    MediaSource& source = *opened;
    const SourceDescription& description = source.description();

    ImportOutcome outcome;
    outcome.name = name;
    outcome.folder = destination;
    outcome.root = root;
    outcome.sourceKind = description.kind;
    outcome.sourceFormat = nameOfSource(description, request.source);
    outcome.sourceWidth = description.width;
    outcome.sourceHeight = description.height;
    outcome.sourceFrames = description.frames.size();
    outcome.sourceSeconds = description.lengthSeconds;
    outcome.plays = description.plays;
    outcome.singleFrame = description.singleFrame();
    outcome.pacing = request.pacing;
    outcome.budgetBytes = request.budgetBytes;
    outcome.notes = description.notes;
    if (description.audioIgnored)
        outcome.notes.push_back("the source's sound is ignored");
    if (description.lostFrames) {
        if (request.cutShort == CutShortSources::Refuse)
            return common::Fault{request.source, "--strict refuses a source that is not whole: " +
                                                     lostFramesText(description) +
                                                     " without --strict"};
        outcome.warnings.push_back(request.source + ": " + lostFramesText(description));
    }

    RunPlan plan;
    if (outcome.singleFrame) {
        plan.runSeconds = showingLengthSeconds;
        outcome.notes.push_back("the source has a single frame: the sequence is that one still "
                                "frame, with no animation");
    } else {
        plan = planRun(description.lengthSeconds, description.plays, request.length, request.fill);
        outcome.notes.insert(outcome.notes.end(), plan.notes.begin(), plan.notes.end());
    }
    outcome.runSeconds = plan.runSeconds;
    outcome.box = chooseBox(request.box, description.width, description.height);
    double scale =
        chooseScale(request.box, outcome.box, description.width,
                    description.kind == SourceKind::VectorAnimation ? SourcePixels::Vector
                                                                    : SourcePixels::Raster);
    if (scale < importScale && !request.box.scale)
        outcome.notes.push_back("the source is " + std::to_string(description.width) + "x" +
                                std::to_string(description.height) +
                                " pixels, fewer than the box takes at scale " + rate(importScale) +
                                ": its own pixels are kept (--scale, --width or --height enlarge "
                                "it)");
    auto fit = TRY(fitShape(request, description, plan.runSeconds, outcome.box, scale));
    outcome.shape = fit.shape;
    noteFallbacks(fit, request, scale, outcome.notes);

    int count = outcome.shape.frameCount;
    std::vector<double> sourceTimes;
    for (int frame = 0; frame < count; ++frame) {
        double runTime = runTimeOfFrame(frame, count, plan.runSeconds, request.pacing);
        sourceTimes.push_back(outcome.singleFrame ? 0
                                                  : plan.sourceTimeAt(runTime, frame == count - 1));
    }
    auto staged = TRY(StagedSequence::open(parent, name, request.existing));
    {
        SequenceWriter writer(*staged, outcome.shape, sourceTimes,
                              outcome.singleFrame ? 0 : description.lengthSeconds, hooks,
                              keptSourceFrames(description, sourceTimes));
        TRY(source.decode(writer));
        TRY(writer.finish());
        if (writer.filter() == ResizeFilter::NearestNeighbour)
            outcome.notes.push_back("the source has hard edges (few colours, no anti-aliasing): "
                                    "it is enlarged without smoothing, each pixel repeated");
    }
    std::string options = sequenceOptionsText(outcome.box, plan.runSeconds, request.placement);
    TRY(common::writeNewFile(staged->stagedPath("options.json"),
                             std::span(reinterpret_cast<const std::uint8_t*>(options.data()),
                                       options.size()))
            .withContext((fs::path(destination) / "options.json").string(), "cannot be written"));
    TRY(common::stopIfInterrupted(hooks.interrupted));
    auto committed = TRY(staged->commit());
    if (committed)
        outcome.notes.push_back(*committed);
    return outcome;
}

} // namespace velorin::tools
