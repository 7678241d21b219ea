// What `velorin-sim check` finds in a sequence folder, and how it is printed.
//
// A report lists the frames in the order the device plays them when it lists the folder as the
// tools do (by name), with what each one's place rests on, whether that order is the natural
// order of the names whichever frame the folder lists first, and the problems that make the
// folder play otherwise than its author meant. Each problem names the
// file it concerns, a kind that scripts can match, a severity and a sentence for the author:
// an error when the sequence plays wrong or not at all, a warning when it plays but may
// surprise, a note for the rest. The exit status is 1 only for errors, or, when asked to be
// strict, for warnings too.
#pragma once

#include "platform/display/Geometry.h"
#include "sequences/SequencePlacement.h"
#include "tools/common/FaultReport.h"
#include "tools/common/PixelSize.h"
#include "tools/common/ScreenSize.h"

#include <cstdint>
#include <iosfwd>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velorin::tools {

enum class Severity { Error, Warning, Note };

// "error", "warning" or "note".
std::string_view severityName(Severity severity);

enum class ProblemKind {
    // The folder holds no frame file at all.
    NoFrames,
    // A file whose extension is "png" in another case: it is not a frame.
    ExtensionCase,
    // For some name listed first, the frames play in another order than their names'.
    OrderDiffers,
    // For some name listed first, frames share a sort key: their order is the listing's.
    EqualKeys,
    // The order is right, but rests on number windows that run past the end of the names.
    WindowCut,
    // Files that end in ".png" but are not PNG images, resource-fork files ("._") among them.
    NotPng,
    // A frame that is an animated PNG: only its still image shows.
    AnimatedPng,
    // A frame file that cannot be read or decoded.
    Undecodable,
    // A frame whose size differs from the other frames'.
    SizeMismatch,
    // Frames much larger than the box they are shown in, even at scale 3.
    LargerThanShown,
    // Frames smaller than the box at scale 2: they blur.
    SmallerThanShown,
    // Frames whose proportions differ from the box's: they are stretched.
    OtherProportions,
    // A frame file larger than the extension reads for a frame.
    FrameTooLarge,
    // A folder with more entries than the extension lists.
    ListingCut,
    // Frames that decode to more than a showing may hold.
    OverBudget,
    // The options file exists but cannot be read.
    OptionsUnreadable,
    // The options file is larger than the extension reads.
    OptionsTooLarge,
    // The options file nests arrays and objects deeper than the extension reads.
    OptionsTooDeep,
    // The options file is not valid JSON.
    InvalidJson,
    // The options file's top level is not an object.
    NotAnObject,
    // A member named like a known one in other case, as "Width".
    MemberCase,
    // A member the extension does not read.
    UnknownMember,
    // A member whose value is not a number (or, for "x" and "y", a word).
    WrongKind,
    // A word where a number is read, so it reads as 0.
    WordReadsAsZero,
    // An offset that the placement does not use.
    UnusedOffset,
    // A size or run length of zero or less.
    NotPositive,
    // A run length longer than a showing.
    LongerThanShowing,
    // A view rectangle that leaves the screen.
    OffScreen,
    // A view rectangle over the lock screen's clock, date, buttons or home indicator, which
    // the animation then hides.
    CoversLockScreen,
};

// The kind as scripts see it, e.g. "equal-keys".
std::string_view problemKindName(ProblemKind kind);
// How bad a problem of this kind usually is; a few kinds are given another one where found.
Severity usualSeverity(ProblemKind kind);

struct CheckProblem {
    std::string file;
    ProblemKind kind;
    Severity severity;
    std::string message;
    // The files a problem found in several of them names together; empty for one file.
    std::vector<std::string> files{};
};

struct CheckedFrame {
    std::string name;
    std::string window;
    std::int64_t sortKey{0};
    bool windowCut{false};
    // None when the frame cannot be read or decoded.
    std::optional<PixelSize> size;
};

// Where the options file the placement rests on stands.
enum class OptionsSource { NoFile, Unreadable, PastLimits, Read };

// A piece of the lock screen that the view covers, and the points where it does.
struct CoveredPieceReport {
    std::string piece;
    platform::CGRect overlap;
};

struct PlacementReport {
    ScreenSize screen;
    SequencePlacement placement;
    OptionsSource source{OptionsSource::NoFile};
    // Top to bottom.
    std::vector<CoveredPieceReport> covered;
};

// The covered pieces as JSON: an array of {piece, x, y, width, height}.
nlohmann::ordered_json coveredPiecesToJson(const std::vector<CoveredPieceReport>& covered);

// How the frames play when a given prefix length is in force, against their natural order.
enum class OrderVerdict {
    // In the natural order of their names.
    Natural,
    // In natural order, except that frames with equal keys play in the listing's order.
    Ties,
    // In another order.
    Other,
};

struct PrefixLengthOrder {
    std::int32_t prefixLength{0};
    // The frame names that, listed first, give this prefix length, in natural order.
    std::vector<std::string> firstNames;
    OrderVerdict verdict{OrderVerdict::Natural};
};

// Which exit status warnings give.
enum class Strictness { ErrorsOnly, WarningsToo };

// How the frames of a sequence are read: decoded whole, as a showing decodes them, or only as
// far as their PNG headers (size, and whether the file is a PNG and an animated one), which
// costs a small read per frame whatever the frames' size.
enum class FrameReading { Decoded, HeadersOnly };

struct CheckReport {
    // The folder as the user named it.
    std::string folder;
    // The prefix length the frames are listed with below: the one most frame names give.
    std::int32_t prefixLength{0};
    // A name that gives it; empty without frames.
    std::string prefixSource;
    // In the order they play when the folder is listed by name, as the tools list it, ordered
    // by the extension's own code: `prefixLength` comes from the first frame of that listing,
    // and frames with equal keys keep the listing's order.
    std::vector<CheckedFrame> frames;
    // Every prefix length a frame name listed first gives, the most common first.
    std::vector<PrefixLengthOrder> orders;
    std::vector<CheckProblem> problems;
    // The view's size in points and one run's length, from the options (or their defaults).
    SequencePlacement box;
    OptionsSource optionsSource{OptionsSource::NoFile};
    // Only when a screen size was given.
    std::optional<PlacementReport> placement;
    // What the frames that decode take decoded (width × height × 4 bytes each), and how many
    // frames a showing admits within its memory budget, in playing order.
    std::uint64_t decodedBytes{0};
    std::size_t framesWithinBudget{0};
    // Whether every frame was decoded (check), or only its header read (list), so that a
    // frame whose pixels are damaged counts as decodable by what its header claims.
    FrameReading frameReading{FrameReading::Decoded};

    void addProblem(std::string file, ProblemKind kind, std::string message) {
        addProblem(std::move(file), kind, usualSeverity(kind), std::move(message));
    }
    void addProblem(std::string file, ProblemKind kind, Severity severity, std::string message) {
        problems.push_back({std::move(file), kind, severity, std::move(message), {}});
    }
    std::size_t count(Severity severity) const;
    // Whether the frames play in the natural order of their names whichever is listed first.
    bool playsInNaturalOrder() const;
    // Whether the frames that decode play in the natural order of their names when the folder
    // is listed by name, as in `frames`.
    bool listedOrderIsNatural() const;
    // Whether some frames that play next to each other share a sort key.
    bool listedOrderHasTies() const;
    // How many frames a showing plays: those that decode, within the memory budget.
    std::size_t playingFrameCount() const;
    ExitStatus status(Strictness strictness = Strictness::ErrorsOnly) const;
};

// Whether the text report lists every frame.
enum class FrameListing { Counted, Listed };

// "FOLDER: 1 error, 0 warnings, 0 notes; 24 frames play, in another order than their names,
// one run in 2 s": the problems counted and what plays, in one line.
std::string verdictLine(const CheckReport& report);
// The verdict, then the problems grouped by severity, then how the folder plays.
void printReport(const CheckReport& report, std::ostream& output,
                 FrameListing listing = FrameListing::Counted);
// Folds the problems of one kind, severity and message found in several files into one, which
// names the files; the first of them keeps its place.
void groupProblemsOfOneKind(CheckReport& report);
// "a.png, b.png and c.png", or the first five "and 3 more".
std::string nameSome(const std::vector<std::string>& names);
nlohmann::ordered_json reportToJson(const CheckReport& report);
// The JSON text of a report; bytes that are not UTF-8 in names are replaced.
std::string reportToJsonText(const CheckReport& report);

} // namespace velorin::tools
