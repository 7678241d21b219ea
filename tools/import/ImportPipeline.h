// Turning a source into a sequence folder: the whole import, from the checked request to the
// committed folder and what to report about it.
//
// The source is opened and its timing read first; from that and the request come the run's
// length, the box, the frame count and the moment of the source each frame shows, fitted into
// the memory a showing may decode. Only then is anything written: the source is decoded once,
// each wanted frame resized and written as PNG into a staging folder, together with
// options.json, and the folder is moved into place at the end. A fault or an interruption at
// any point leaves nothing behind, and the source is only ever read.
#pragma once

#include "animation/DecodingBudget.h"
#include "common/Result.h"
#include "tools/common/ProgressBar.h"
#include "tools/common/StagedSequence.h"
#include "tools/import/BudgetFit.h"
#include "tools/import/EasedSampling.h"
#include "tools/import/MediaSource.h"
#include "tools/import/RunPlan.h"
#include "tools/import/SequenceOptionsFile.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace velorin::tools {

inline constexpr double defaultImportFramesPerSecond = 30;

// What becomes of a source file that is cut short before its last frame.
enum class CutShortSources { ImportWholeFrames, Refuse };
inline constexpr double mostImportFramesPerSecond = 120;

struct ImportRequest {
    std::string source;
    // Empty: made from the source's name.
    std::string name;
    // The device root whose sequence folder receives the sequence (empty: the tools' default
    // root), or, when `out` is set, that folder instead.
    std::string root;
    std::string out;
    double framesPerSecond{defaultImportFramesPerSecond};
    // A folder's total length; its frames are then timed by it instead of the rate.
    std::optional<double> totalSeconds;
    Pacing pacing{Pacing::SourcePace};
    LengthChoice length{LengthChoice::TrimToShowing};
    FillChoice fill{FillChoice::AsTheSourceSays};
    BoxRequest box;
    Placement placement;
    ExistingSequence existing{ExistingSequence::Refuse};
    CutShortSources cutShort{CutShortSources::ImportWholeFrames};
    std::size_t budgetBytes{showingMemoryBudgetBytes};
};

struct ImportHooks {
    // Asked between frames; an interruption stops the import and removes what it wrote.
    InterruptionCheck interrupted;
    ProgressDisplay progress{ProgressDisplay::Hidden};
};

struct ImportOutcome {
    std::string name;
    std::string folder;
    // The device root it went into; empty when it was written into a folder of the user's.
    std::string root;
    SourceKind sourceKind{SourceKind::StillImage};
    // What people call the source: "MP4 video", "GIF".
    std::string sourceFormat;
    std::uint32_t sourceWidth{0};
    std::uint32_t sourceHeight{0};
    std::size_t sourceFrames{0};
    double sourceSeconds{0};
    PlayCount plays;
    bool singleFrame{false};
    SequenceShape shape;
    PointBox box;
    double runSeconds{0};
    Pacing pacing{Pacing::SourcePace};
    std::size_t budgetBytes{0};
    std::vector<std::string> notes;
    // What the user should know went wrong while the import still succeeded.
    std::vector<std::string> warnings;
};

common::Result<ImportOutcome> importSequence(const ImportRequest& request,
                                             const ImportHooks& hooks);

// What a source cut short has lost, and what of it is imported, for a warning or a refusal.
std::string lostFramesText(const SourceDescription& source);

} // namespace velorin::tools
