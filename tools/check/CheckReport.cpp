#include "tools/check/CheckReport.h"

#include "animation/DecodingBudget.h"
#include "common/ByteCount.h"
#include "common/QuoteText.h"
#include "tools/common/NaturalOrder.h"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>
#include <tuple>

namespace velorin::tools {

std::string_view severityName(Severity severity) {
    switch (severity) {
    case Severity::Error:
        return "error";
    case Severity::Warning:
        return "warning";
    case Severity::Note:
        return "note";
    }
    return "note";
}

std::string_view problemKindName(ProblemKind kind) {
    switch (kind) {
    case ProblemKind::NoFrames:
        return "no-frames";
    case ProblemKind::ExtensionCase:
        return "extension-case";
    case ProblemKind::OrderDiffers:
        return "order-differs";
    case ProblemKind::EqualKeys:
        return "equal-keys";
    case ProblemKind::WindowCut:
        return "window-cut";
    case ProblemKind::NotPng:
        return "not-png";
    case ProblemKind::AnimatedPng:
        return "animated-png";
    case ProblemKind::Undecodable:
        return "undecodable";
    case ProblemKind::SizeMismatch:
        return "size-mismatch";
    case ProblemKind::LargerThanShown:
        return "larger-than-shown";
    case ProblemKind::SmallerThanShown:
        return "smaller-than-shown";
    case ProblemKind::OtherProportions:
        return "other-proportions";
    case ProblemKind::FrameTooLarge:
        return "frame-too-large";
    case ProblemKind::ListingCut:
        return "listing-cut";
    case ProblemKind::OverBudget:
        return "over-budget";
    case ProblemKind::OptionsUnreadable:
        return "options-unreadable";
    case ProblemKind::OptionsTooLarge:
        return "options-too-large";
    case ProblemKind::OptionsTooDeep:
        return "options-too-deep";
    case ProblemKind::InvalidJson:
        return "invalid-json";
    case ProblemKind::NotAnObject:
        return "not-an-object";
    case ProblemKind::MemberCase:
        return "member-case";
    case ProblemKind::UnknownMember:
        return "unknown-member";
    case ProblemKind::WrongKind:
        return "wrong-kind";
    case ProblemKind::WordReadsAsZero:
        return "word-reads-as-zero";
    case ProblemKind::UnusedOffset:
        return "unused-offset";
    case ProblemKind::NotPositive:
        return "not-positive";
    case ProblemKind::LongerThanShowing:
        return "longer-than-showing";
    case ProblemKind::OffScreen:
        return "off-screen";
    case ProblemKind::CoversLockScreen:
        return "covers-lock-screen";
    }
    return "unknown";
}

Severity usualSeverity(ProblemKind kind) {
    switch (kind) {
    case ProblemKind::ExtensionCase:
    case ProblemKind::EqualKeys:
    case ProblemKind::WindowCut:
    case ProblemKind::SizeMismatch:
    case ProblemKind::LargerThanShown:
    case ProblemKind::SmallerThanShown:
    case ProblemKind::OtherProportions:
    case ProblemKind::UnusedOffset:
    case ProblemKind::LongerThanShowing:
    case ProblemKind::OffScreen:
        return Severity::Warning;
    case ProblemKind::UnknownMember:
    case ProblemKind::CoversLockScreen:
        return Severity::Note;
    case ProblemKind::NoFrames:
    case ProblemKind::OrderDiffers:
    case ProblemKind::NotPng:
    case ProblemKind::AnimatedPng:
    case ProblemKind::Undecodable:
    case ProblemKind::FrameTooLarge:
    case ProblemKind::ListingCut:
    case ProblemKind::OverBudget:
    case ProblemKind::OptionsUnreadable:
    case ProblemKind::OptionsTooLarge:
    case ProblemKind::OptionsTooDeep:
    case ProblemKind::InvalidJson:
    case ProblemKind::NotAnObject:
    case ProblemKind::MemberCase:
    case ProblemKind::WrongKind:
    case ProblemKind::WordReadsAsZero:
    case ProblemKind::NotPositive:
        return Severity::Error;
    }
    return Severity::Error;
}

namespace {

std::string_view describeSource(OptionsSource source) {
    switch (source) {
    case OptionsSource::NoFile:
        return "the defaults (no options.json)";
    case OptionsSource::Unreadable:
        return "the defaults (options.json cannot be read)";
    case OptionsSource::PastLimits:
        return "the defaults (options.json is past what the extension reads)";
    case OptionsSource::Read:
        return "from options.json";
    }
    return "";
}

std::string_view verdictName(OrderVerdict verdict) {
    switch (verdict) {
    case OrderVerdict::Natural:
        return "natural";
    case OrderVerdict::Ties:
        return "ties";
    case OrderVerdict::Other:
        return "other";
    }
    return "other";
}

std::string countOf(std::size_t count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

void printPlacement(const PlacementReport& placement, std::ostream& output) {
    const auto& rectangle = placement.placement;
    output << "Placement on a " << placement.screen.width << "x" << placement.screen.height
           << " screen, " << describeSource(placement.source) << ": x " << rectangle.x << ", y "
           << rectangle.y << ", width " << rectangle.width << ", height " << rectangle.height
           << "; one run through the frames lasts " << rectangle.animationDuration << " s\n";
}

void printDecodedSize(const CheckReport& report, std::ostream& output) {
    output << "Decoded size: "
           << common::describeByteCountOver(report.decodedBytes, showingMemoryBudgetBytes);
    if (report.decodedBytes <= showingMemoryBudgetBytes) {
        output << " of the " << common::describeByteCount(showingMemoryBudgetBytes)
               << " a showing may hold\n";
        return;
    }
    output << ", more than the " << common::describeByteCount(showingMemoryBudgetBytes)
           << " a showing may hold: " << report.framesWithinBudget << " of " << report.frames.size()
           << " frames play\n";
}

// Where L comes from: every name, or most of them and which others give.
void printPrefixLength(const CheckReport& report, std::ostream& output) {
    output << "Prefix length L = " << report.prefixLength;
    if (report.orders.size() <= 1) {
        output << ", from every frame name (the name listed first sets it)\n";
        return;
    }
    std::size_t names = 0;
    for (const auto& order : report.orders)
        names += order.firstNames.size();
    output << ", from " << report.orders.front().firstNames.size() << " of the " << names
           << " frame names, such as " << common::quoteText(report.prefixSource)
           << " (the name listed first sets it; other names give ";
    for (std::size_t index = 1; index < report.orders.size(); ++index)
        output << (index > 1 ? ", " : "") << report.orders[index].prefixLength;
    output << ")\n";
}

} // namespace

std::size_t CheckReport::count(Severity severity) const {
    return static_cast<std::size_t>(
        std::count_if(problems.begin(), problems.end(), [severity](const CheckProblem& problem) {
            return problem.severity == severity;
        }));
}

bool CheckReport::playsInNaturalOrder() const {
    return !orders.empty() && std::all_of(orders.begin(), orders.end(), [](const auto& order) {
        return order.verdict == OrderVerdict::Natural;
    });
}

bool CheckReport::listedOrderIsNatural() const {
    std::vector<std::string> playing;
    for (const auto& frame : frames) {
        if (frame.size)
            playing.push_back(frame.name);
    }
    std::vector<std::string> natural = playing;
    sortNaturally(natural);
    return playing == natural;
}

bool CheckReport::listedOrderHasTies() const {
    return std::adjacent_find(frames.begin(), frames.end(), [](const auto& a, const auto& b) {
               return a.size && b.size && a.sortKey == b.sortKey;
           }) != frames.end();
}

std::size_t CheckReport::playingFrameCount() const {
    return framesWithinBudget;
}

ExitStatus CheckReport::status(Strictness strictness) const {
    if (count(Severity::Error) > 0 ||
        (strictness == Strictness::WarningsToo && count(Severity::Warning) > 0))
        return ExitStatus::ProblemsFound;
    return ExitStatus::Success;
}

std::string verdictLine(const CheckReport& report) {
    std::string line = report.folder + ": ";
    if (report.problems.empty())
        line += "no problems";
    else
        line += countOf(report.count(Severity::Error), "error", "errors") + ", " +
                countOf(report.count(Severity::Warning), "warning", "warnings") + ", " +
                countOf(report.count(Severity::Note), "note", "notes");
    if (report.frames.empty())
        return line + "; nothing plays: no frame";
    std::size_t playing = report.playingFrameCount();
    if (playing == 0)
        return line + "; nothing plays: no frame decodes";
    line += "; " + (playing == report.frames.size()
                        ? countOf(playing, "frame plays", "frames play")
                        : std::to_string(playing) + " of " +
                              countOf(report.frames.size(), "frame plays", "frames play"));
    if (playing > 1) {
        if (report.playsInNaturalOrder())
            line += ", in the order of their names";
        else if (report.listedOrderIsNatural())
            line += ", in the order of their names as listed here, but not whichever frame the "
                    "device lists first";
        else
            line += ", in another order than their names";
    }
    std::ostringstream duration;
    duration << report.box.animationDuration;
    return line + ", one run in " + duration.str() + " s";
}

void printReport(const CheckReport& report, std::ostream& output, FrameListing listing) {
    output << verdictLine(report) << '\n';
    if (!report.problems.empty()) {
        output << "Problems:\n";
        for (Severity severity : {Severity::Error, Severity::Warning, Severity::Note}) {
            for (const auto& problem : report.problems) {
                if (problem.severity != severity)
                    continue;
                output << "  " << severityName(severity) << ": " << problem.file << ": "
                       << problemKindName(problem.kind) << ": " << problem.message << '\n';
            }
        }
    }
    output << "Sequence folder: " << report.folder << '\n';
    if (!report.frames.empty())
        printPrefixLength(report, output);
    output << "Frames in playing order: " << report.frames.size();
    if (listing == FrameListing::Counted) {
        output << (report.frames.empty() ? "\n" : " (--frames lists them)\n");
    } else {
        output << '\n';
        std::size_t position = 0;
        for (const auto& frame : report.frames) {
            output << "  " << ++position << ". " << frame.name << "  window "
                   << common::quoteText(frame.window) << (frame.windowCut ? " (cut)" : "")
                   << "  key " << frame.sortKey;
            if (frame.size)
                output << "  " << frame.size->width << "x" << frame.size->height;
            else
                output << "  not decodable";
            output << '\n';
        }
    }
    if (report.frames.size() > 1 && !report.listedOrderIsNatural())
        output << "  Note: this is the order the device plays when it lists the folder by name, "
                  "as here, and it is not the order of their names (see the problems above)\n";
    else if (report.frames.size() > 1 && report.listedOrderHasTies())
        output << "  Note: this is the order the device plays when it lists the folder by name, "
                  "as here; frames with equal keys keep the listing's order, so another listing "
                  "may play them otherwise\n";
    if (report.playsInNaturalOrder() && report.frames.size() > 1)
        output << "Order: the natural order of the names, whichever frame is listed first\n";
    if (!report.frames.empty())
        printDecodedSize(report, output);
    output << "Box: " << report.box.width << " x " << report.box.height
           << " points; one run through the frames lasts " << report.box.animationDuration << " s; "
           << describeSource(report.optionsSource) << '\n';
    if (report.placement)
        printPlacement(*report.placement, output);
}

std::string nameSome(const std::vector<std::string>& names) {
    constexpr std::size_t namedAtMost = 5;
    std::string text;
    std::size_t named = std::min(names.size(), namedAtMost);
    for (std::size_t index = 0; index < named; ++index) {
        bool last = index + 1 == named && names.size() == named;
        text += (index == 0 ? "" : last ? " and " : ", ") + names[index];
    }
    if (names.size() > named)
        text += " and " + std::to_string(names.size() - named) + " more";
    return text;
}

void groupProblemsOfOneKind(CheckReport& report) {
    // The files of each kind, severity and message, in the order first found.
    std::map<std::tuple<ProblemKind, Severity, std::string>, std::vector<std::string>> files;
    for (const auto& problem : report.problems)
        files[{problem.kind, problem.severity, problem.message}].push_back(problem.file);
    std::vector<CheckProblem> grouped;
    for (auto& problem : report.problems) {
        auto found = files.find({problem.kind, problem.severity, problem.message});
        if (found == files.end())
            continue;
        std::vector<std::string> names = std::move(found->second);
        files.erase(found);
        if (names.size() > 1) {
            problem.message = std::to_string(names.size()) + " files, " + nameSome(names) +
                              ": each " + problem.message;
            problem.file = report.folder;
            problem.files = std::move(names);
        }
        grouped.push_back(std::move(problem));
    }
    report.problems = std::move(grouped);
}

nlohmann::ordered_json reportToJson(const CheckReport& report) {
    using Json = nlohmann::ordered_json;
    auto frames = Json::array();
    auto details = Json::array();
    for (const auto& frame : report.frames) {
        frames.push_back(frame.name);
        Json detail{{"file", frame.name},
                    {"window", frame.window},
                    {"key", frame.sortKey},
                    {"windowCut", frame.windowCut},
                    {"decoded", frame.size.has_value()}};
        if (frame.size) {
            detail["width"] = frame.size->width;
            detail["height"] = frame.size->height;
        }
        details.push_back(std::move(detail));
    }
    auto orders = Json::array();
    for (const auto& order : report.orders) {
        orders.push_back({{"prefixLength", order.prefixLength},
                          {"verdict", verdictName(order.verdict)},
                          {"firstNames", order.firstNames}});
    }
    auto problems = Json::array();
    for (const auto& problem : report.problems) {
        Json entry{{"file", problem.file},
                   {"kind", problemKindName(problem.kind)},
                   {"severity", severityName(problem.severity)},
                   {"message", problem.message}};
        if (!problem.files.empty())
            entry["files"] = problem.files;
        problems.push_back(std::move(entry));
    }
    Json json{{"folder", report.folder},
              {"prefixLength", report.prefixLength},
              {"prefixSource", report.frames.empty() ? Json(nullptr) : Json(report.prefixSource)},
              {"frames", std::move(frames)},
              {"frameDetails", std::move(details)},
              {"naturalOrder", report.playsInNaturalOrder()},
              {"orders", std::move(orders)},
              {"box",
               {{"width", report.box.width},
                {"height", report.box.height},
                {"animationDuration", report.box.animationDuration},
                {"fromOptionsFile", report.optionsSource == OptionsSource::Read}}}};
    if (report.placement) {
        const auto& placement = report.placement->placement;
        json["screen"] = {{"width", report.placement->screen.width},
                          {"height", report.placement->screen.height}};
        json["placement"] = {{"x", placement.x},
                             {"y", placement.y},
                             {"width", placement.width},
                             {"height", placement.height},
                             {"animationDuration", placement.animationDuration}};
        json["covers"] = coveredPiecesToJson(report.placement->covered);
    }
    json["decodedBytes"] = report.decodedBytes;
    json["budgetBytes"] = showingMemoryBudgetBytes;
    json["framesWithinBudget"] = report.framesWithinBudget;
    json["errors"] = report.count(Severity::Error);
    json["warnings"] = report.count(Severity::Warning);
    json["notes"] = report.count(Severity::Note);
    json["problems"] = std::move(problems);
    return json;
}

nlohmann::ordered_json coveredPiecesToJson(const std::vector<CoveredPieceReport>& covered) {
    auto pieces = nlohmann::ordered_json::array();
    for (const auto& piece : covered) {
        pieces.push_back({{"piece", piece.piece},
                          {"x", piece.overlap.minX()},
                          {"y", piece.overlap.minY()},
                          {"width", piece.overlap.size.width},
                          {"height", piece.overlap.size.height}});
    }
    return pieces;
}

std::string reportToJsonText(const CheckReport& report) {
    return reportToJson(report).dump(2, ' ', false,
                                     nlohmann::ordered_json::error_handler_t::replace);
}

} // namespace velorin::tools
