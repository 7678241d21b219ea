// velorin-sim list: the sequences of a device root, each with its frames, run length, box,
// decoded size and the count of its problems by severity, and which one the root's
// preferences choose. With a screen size, each sequence's placement on that screen is judged
// too, and the lock screen's pieces it covers are named with the points where it does.
//
// Each sequence is judged by the same analysis as `check`, read inside the root as the device
// reads it, except that only each frame's PNG header is read (its size, whether it is a PNG
// and an animated one), so that a long sequence lists in about the time its headers take to
// read; `check NAME` decodes every frame and gives the problems themselves. A sequence installed from a package
// names it, from the record install keeps beside the sequences. Only reads the root.
#include "common/ByteCount.h"
#include "common/QuoteText.h"
#include "sequences/SequenceDirectory.h"
#include "settings/Settings.h"
#include "animation/DecodingBudget.h"
#include "tools/check/SequenceCheck.h"
#include "tools/common/Commands.h"
#include "tools/common/FaultReport.h"
#include "tools/common/SampleRoot.h"
#include "tools/common/SequenceArgument.h"
#include "tools/package/SequencePackages.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

namespace velorin::tools {

namespace {

struct ListedSequence {
    std::string name;
    // The package it was installed from, when the root's record says so.
    std::optional<PackageOrigin> origin;
    // The folder differs from what that package installed.
    bool changedSinceInstalled{false};
    // None when the folder cannot be read; `fault` says why.
    std::optional<CheckReport> report;
    std::string fault;
};

std::string number(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

std::string countOf(std::size_t count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

std::string problemCounts(const CheckReport& report) {
    std::string counts;
    for (auto [severity, singular, plural] : {std::tuple{Severity::Error, "error", "errors"},
                                              std::tuple{Severity::Warning, "warning", "warnings"},
                                              std::tuple{Severity::Note, "note", "notes"}}) {
        if (std::size_t count = report.count(severity))
            counts += (counts.empty() ? "" : ", ") + countOf(count, singular, plural);
    }
    return counts.empty() ? "no problems" : counts;
}

std::string originText(const ListedSequence& sequence) {
    if (!sequence.origin)
        return "";
    return (sequence.changedSinceInstalled ? "; changed since installed from " : "; from ") +
           sequence.origin->identifier + " " + sequence.origin->version;
}

std::size_t decodedFrames(const CheckReport& report) {
    return static_cast<std::size_t>(std::count_if(report.frames.begin(), report.frames.end(),
                                                  [](const auto& frame) { return frame.size; }));
}

void printText(const std::string& root, const std::vector<ListedSequence>& listed,
               const ChosenSequence& chosen) {
    std::printf("Sequences in %s/\n", sequencesFolderOfRoot(root).c_str());
    std::size_t nameWidth = 0;
    for (const auto& sequence : listed)
        nameWidth = std::max(nameWidth, sequence.name.size());
    bool chosenFound = false;
    for (const auto& sequence : listed) {
        bool isChosen = sequence.name == chosen.folderName;
        chosenFound = chosenFound || isChosen;
        std::printf("%s %-*s  ", isChosen ? "*" : " ", static_cast<int>(nameWidth),
                    sequence.name.c_str());
        if (!sequence.report) {
            std::printf("cannot be read: %s%s\n", sequence.fault.c_str(),
                        originText(sequence).c_str());
            continue;
        }
        const CheckReport& report = *sequence.report;
        std::printf("%s, %s s a run, %s x %s points, %s decoded; %s%s\n",
                    countOf(report.frames.size(), "frame", "frames").c_str(),
                    number(report.box.animationDuration).c_str(), number(report.box.width).c_str(),
                    number(report.box.height).c_str(),
                    common::describeByteCountOver(report.decodedBytes, showingMemoryBudgetBytes)
                        .c_str(),
                    problemCounts(report).c_str(), originText(sequence).c_str());
        for (const auto& problem : report.problems) {
            if (problem.kind == ProblemKind::CoversLockScreen)
                std::printf("  %*s  note: %s\n", static_cast<int>(nameWidth), "",
                            problem.message.c_str());
        }
    }
    if (listed.empty())
        std::printf("  (none)\n");
    if (chosenFound)
        std::printf("* chosen by the root's %s", sequenceNamePreferenceKey);
    else if (chosen.exists)
        std::printf("The root's %s chooses %s, which plays the folder %s inside the sequence "
                    "folder",
                    sequenceNamePreferenceKey, common::quoteText(chosen.name).c_str(),
                    common::quoteText(chosen.folderName).c_str());
    else
        std::printf("The root's %s chooses %s, which is no sequence here: nothing shows",
                    sequenceNamePreferenceKey, common::quoteText(chosen.name).c_str());
    if (chosen.enabled)
        std::printf("; the extension is on\n");
    else
        std::printf("; the extension is off (velorin-sim prefs set %s true turns it on)\n",
                    enabledPreferenceKey);
    std::printf("The frames' headers were read, not their pictures: velorin-sim check NAME "
                "decodes every frame and gives a sequence's problems.\n");
}

void printJson(const std::string& root, const std::vector<ListedSequence>& listed,
               const ChosenSequence& chosen) {
    using Json = nlohmann::ordered_json;
    auto sequences = Json::array();
    bool chosenFound = false;
    for (const auto& sequence : listed) {
        bool isChosen = sequence.name == chosen.folderName;
        chosenFound = chosenFound || isChosen;
        Json entry{{"name", sequence.name}, {"chosen", isChosen}};
        if (sequence.origin)
            entry["package"] = {{"id", sequence.origin->identifier},
                                {"version", sequence.origin->version},
                                {"changedSinceInstalled", sequence.changedSinceInstalled}};
        if (!sequence.report) {
            entry["fault"] = sequence.fault;
            sequences.push_back(std::move(entry));
            continue;
        }
        const CheckReport& report = *sequence.report;
        entry["folder"] = report.folder;
        entry["frames"] = report.frames.size();
        entry["decodedFrames"] = decodedFrames(report);
        entry["animationDuration"] = report.box.animationDuration;
        entry["box"] = {{"width", report.box.width}, {"height", report.box.height}};
        entry["decodedBytes"] = report.decodedBytes;
        entry["naturalOrder"] = report.playsInNaturalOrder();
        entry["errors"] = report.count(Severity::Error);
        entry["warnings"] = report.count(Severity::Warning);
        entry["notes"] = report.count(Severity::Note);
        if (report.placement)
            entry["covers"] = coveredPiecesToJson(report.placement->covered);
        sequences.push_back(std::move(entry));
    }
    Json json{{"root", root},
              {"chosen", chosen.name},
              {"chosenExists", chosenFound || chosen.exists},
              {"enabled", chosen.enabled},
              // The pictures were not decoded: `check` verifies them.
              {"picturesVerified", false},
              {"sequences", std::move(sequences)}};
    std::cout << json.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

int runList(const std::string& givenRoot, const std::string& screenText, bool json) {
    std::optional<ScreenSize> screen;
    if (!screenText.empty()) {
        screen = parseScreenSize(screenText);
        if (auto note = screenSizeNote(*screen))
            std::fprintf(stderr, "velorin-sim: %s\n", note->c_str());
    }
    auto root = chooseDeviceRoot(givenRoot);
    if (!root)
        return report(root.fault());
    std::vector<ListedSequence> listed;
    auto origins = readSequencePackages(root.value());
    for (const auto& name : sequenceNamesInRoot(root.value())) {
        SequenceArgument sequence{SequenceArgument::Kind::Name,
                                  sequenceFolderInRoot(root.value(), name), name, root.value()};
        ListedSequence entry{name, std::nullopt, false, std::nullopt, {}};
        if (auto origin = origins.find(name); origin != origins.end()) {
            entry.origin = origin->second;
            entry.changedSinceInstalled =
                sequenceFingerprint(sequence.folder) != origin->second.fingerprint;
        }
        auto checked = checkSequence(sequence, CheckRequest{screen, ResourceForkFiles::Counted,
                                                            FrameReading::HeadersOnly});
        if (checked)
            entry.report = std::move(checked.value());
        else
            entry.fault = checked.fault().message;
        listed.push_back(std::move(entry));
    }
    ChosenSequence chosen = chosenSequence(root.value());
    if (json)
        printJson(root.value(), listed, chosen);
    else
        printText(root.value(), listed, chosen);
    std::fflush(stdout);
    return 0;
}

} // namespace

CommandRun addListOptions(CLI::App& command) {
    struct Options {
        std::string root;
        std::string screen;
        bool json{false};
    };
    auto options = std::make_shared<Options>();
    command.add_option("--root", options->root, "Device root (default: your own)");
    command
        .add_option("--screen", options->screen,
                    "Also judge each placement on a screen of this size in points: whether it "
                    "leaves the screen, and which of the lock screen's clock, date, buttons and "
                    "home indicator it covers")
        ->check(CLI::Validator(unreadableScreenSize, "WxH"));
    command.add_flag("--json", options->json, "Print the list as one JSON object");
    return [options] { return runList(options->root, options->screen, options->json); };
}

} // namespace velorin::tools
