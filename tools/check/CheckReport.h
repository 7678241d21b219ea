// What `velorin-sim check` finds in a sequence folder, and how it is printed.
//
// A report lists the frames in playing order with what each one's place rests on, and the
// problems that make the folder play otherwise than its names suggest. Each problem names the
// file it concerns, a kind that scripts can match and a sentence for the author.
#pragma once

#include "sequences/SequencePlacement.h"
#include "tools/common/FaultReport.h"
#include "tools/common/ScreenSize.h"

#include <cstdint>
#include <iosfwd>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velorin::tools {

enum class ProblemKind {
    // The folder holds no frame file at all.
    NoFrames,
    // A file whose extension is "png" in another case: it is not a frame.
    ExtensionCase,
    // The first frame name holds no digit, so no frame has a number.
    FirstNameWithoutDigits,
    // The first frame name begins with a digit, so every number window is empty.
    EmptyPrefix,
    // A frame name whose number starts elsewhere than the first name's.
    PrefixLength,
    // A frame name with digits before its number.
    DigitsInPrefix,
    // A frame name with no number, read as whatever its window holds.
    NoNumber,
    // A number with more digits than the window holds.
    NumberCut,
    // A window that runs past the end of the name.
    WindowCut,
    // Two frames with the same sort key.
    EqualKeys,
    // A frame file that cannot be read or decoded.
    Undecodable,
    // A frame whose size differs from the other frames'.
    SizeMismatch,
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
};

// The kind as scripts see it, e.g. "equal-keys".
std::string_view problemKindName(ProblemKind kind);

struct CheckProblem {
    std::string file;
    ProblemKind kind;
    std::string message;
};

struct PixelSize {
    std::uint32_t width{0};
    std::uint32_t height{0};
    bool operator==(const PixelSize&) const = default;
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

struct PlacementReport {
    ScreenSize screen;
    SequencePlacement placement;
    OptionsSource source{OptionsSource::NoFile};
};

struct CheckReport {
    // The folder as the user named it.
    std::string folder;
    std::int32_t prefixLength{0};
    // The name L is read from: the first frame in listing order; empty without frames.
    std::string prefixSource;
    // In playing order.
    std::vector<CheckedFrame> frames;
    std::vector<CheckProblem> problems;
    // Only when a screen size was given.
    std::optional<PlacementReport> placement;
    // What the frames that decode take decoded (width × height × 4 bytes each), and how many
    // frames a showing admits within its memory budget, in playing order.
    std::uint64_t decodedBytes{0};
    std::size_t framesWithinBudget{0};

    void addProblem(std::string file, ProblemKind kind, std::string message) {
        problems.push_back({std::move(file), kind, std::move(message)});
    }
    ExitStatus status() const {
        return problems.empty() ? ExitStatus::Success : ExitStatus::ProblemsFound;
    }
};

void printReport(const CheckReport& report, std::ostream& output);
nlohmann::ordered_json reportToJson(const CheckReport& report);
// The JSON text of a report; bytes that are not UTF-8 in names are replaced.
std::string reportToJsonText(const CheckReport& report);

} // namespace velorin::tools
