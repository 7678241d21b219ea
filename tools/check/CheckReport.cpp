#include "tools/check/CheckReport.h"

#include "animation/DecodingBudget.h"
#include "sim/QuoteText.h"
#include "sim/SystemError.h"

#include <nlohmann/json.hpp>
#include <ostream>

namespace velorin::tools {

std::string_view problemKindName(ProblemKind kind) {
    switch (kind) {
    case ProblemKind::NoFrames:
        return "no-frames";
    case ProblemKind::ExtensionCase:
        return "extension-case";
    case ProblemKind::FirstNameWithoutDigits:
        return "first-name-without-digits";
    case ProblemKind::EmptyPrefix:
        return "empty-prefix";
    case ProblemKind::PrefixLength:
        return "prefix-length";
    case ProblemKind::DigitsInPrefix:
        return "digits-in-prefix";
    case ProblemKind::NoNumber:
        return "no-number";
    case ProblemKind::NumberCut:
        return "number-cut";
    case ProblemKind::WindowCut:
        return "window-cut";
    case ProblemKind::EqualKeys:
        return "equal-keys";
    case ProblemKind::Undecodable:
        return "undecodable";
    case ProblemKind::SizeMismatch:
        return "size-mismatch";
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
    }
    return "unknown";
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

void printPlacement(const PlacementReport& placement, std::ostream& output) {
    const auto& rectangle = placement.placement;
    output << "Placement on a " << placement.screen.width << "x" << placement.screen.height
           << " screen, " << describeSource(placement.source) << ": x " << rectangle.x << ", y "
           << rectangle.y << ", width " << rectangle.width << ", height " << rectangle.height
           << "; one run through the frames lasts " << rectangle.animationDuration << " s\n";
}

void printDecodedSize(const CheckReport& report, std::ostream& output) {
    output << "Decoded size: " << sim::describeByteCount(report.decodedBytes);
    if (report.decodedBytes <= showingMemoryBudgetBytes) {
        output << " of the " << sim::describeByteCount(showingMemoryBudgetBytes)
               << " a showing may hold\n";
        return;
    }
    output << ", more than the " << sim::describeByteCount(showingMemoryBudgetBytes)
           << " a showing may hold: " << report.framesWithinBudget << " of " << report.frames.size()
           << " frames play\n";
}

} // namespace

void printReport(const CheckReport& report, std::ostream& output) {
    output << "Sequence folder: " << report.folder << '\n';
    if (!report.frames.empty()) {
        output << "Prefix length L = " << report.prefixLength << ", from "
               << sim::quoteText(report.prefixSource) << ", the first frame in the listing\n";
    }
    output << "Frames in playing order: " << report.frames.size() << '\n';
    std::size_t position = 0;
    for (const auto& frame : report.frames) {
        output << "  " << ++position << ". " << frame.name << "  window "
               << sim::quoteText(frame.window) << (frame.windowCut ? " (cut)" : "") << "  key "
               << frame.sortKey;
        if (frame.size)
            output << "  " << frame.size->width << "x" << frame.size->height;
        else
            output << "  not decodable";
        output << '\n';
    }
    if (!report.frames.empty())
        printDecodedSize(report, output);
    if (report.placement)
        printPlacement(*report.placement, output);
    if (report.problems.empty()) {
        output << "No problems: the folder plays as its names suggest.\n";
        return;
    }
    output << "Problems: " << report.problems.size() << '\n';
    for (const auto& problem : report.problems) {
        output << "  " << problem.file << ": " << problemKindName(problem.kind) << ": "
               << problem.message << '\n';
    }
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
    auto problems = Json::array();
    for (const auto& problem : report.problems) {
        problems.push_back({{"file", problem.file},
                            {"kind", problemKindName(problem.kind)},
                            {"message", problem.message}});
    }
    Json json{{"folder", report.folder},
              {"prefixLength", report.prefixLength},
              {"prefixSource", report.frames.empty() ? Json(nullptr) : Json(report.prefixSource)},
              {"frames", std::move(frames)},
              {"frameDetails", std::move(details)}};
    if (report.placement) {
        const auto& placement = report.placement->placement;
        json["screen"] = {{"width", report.placement->screen.width},
                          {"height", report.placement->screen.height}};
        json["placement"] = {{"x", placement.x},
                             {"y", placement.y},
                             {"width", placement.width},
                             {"height", placement.height},
                             {"animationDuration", placement.animationDuration}};
    }
    json["decodedBytes"] = report.decodedBytes;
    json["budgetBytes"] = showingMemoryBudgetBytes;
    json["framesWithinBudget"] = report.framesWithinBudget;
    json["problems"] = std::move(problems);
    return json;
}

std::string reportToJsonText(const CheckReport& report) {
    return reportToJson(report).dump(2, ' ', false,
                                     nlohmann::ordered_json::error_handler_t::replace);
}

} // namespace velorin::tools
