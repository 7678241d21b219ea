#include "tools/check/FrameSizeCheck.h"

#include "common/ByteCount.h"
#include "common/QuoteText.h"

#include <cmath>
#include <cstdio>
#include <map>

namespace velorin::tools {

namespace {

// A frame more than this many times the box at scale 3 in either side is larger than shown.
constexpr double largestSensibleRatio = 1.5;
// Proportions that differ by more than this fraction are stretched visibly.
constexpr double proportionTolerance = 0.02;
// Boxes up to this side in points are measured.
constexpr float largestBoxSide = 100'000;

std::string describe(PixelSize size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

// A number as people write it: 150, 1.5.
std::string describeNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// A size ratio to one decimal: 4.2.
std::string describeScale(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// A ratio to two decimals: 1.33.
std::string describeRatio(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// The box at a scale, in whole pixels.
PixelSize boxPixels(const SequencePlacement& box, double scale) {
    return {static_cast<std::uint32_t>(std::lround(box.width * scale)),
            static_cast<std::uint32_t>(std::lround(box.height * scale))};
}

std::string boxInPoints(const SequencePlacement& box) {
    return describeNumber(box.width) + " x " + describeNumber(box.height) + "-point box";
}

// The frames of one size: who they are, as the start of a sentence, and the file to report.
struct SizeGroup {
    PixelSize size;
    std::vector<std::string> names;
};

std::string subject(const SizeGroup& group, std::size_t frameCount) {
    if (group.names.size() == 1)
        return "is " + describe(group.size) + " pixels";
    std::string whose = group.names.size() == frameCount
                            ? "its " + std::to_string(frameCount) + " frames are "
                            : std::to_string(group.names.size()) + " frames, such as " +
                                  common::quoteText(group.names.front()) + ", are ";
    return whose + describe(group.size) + " pixels";
}

void checkGroup(const SizeGroup& group, std::size_t frameCount, CheckReport& report) {
    const auto& box = report.box;
    const std::string file = group.names.size() == 1 ? group.names.front() : report.folder;
    const std::string who = subject(group, frameCount);
    const double width = group.size.width;
    const double height = group.size.height;
    const PixelSize sharp = boxPixels(box, 3);
    const double ratio = std::max(width / (box.width * 3), height / (box.height * 3));
    if (width > largestSensibleRatio * box.width * 3 ||
        height > largestSensibleRatio * box.height * 3) {
        std::uint64_t drawn = std::uint64_t{group.size.width} * group.size.height * 4;
        std::uint64_t shown = std::uint64_t{std::min(group.size.width, sharp.width)} *
                              std::min(group.size.height, sharp.height) * 4;
        report.addProblem(
            file, ProblemKind::LargerThanShown,
            who + ", drawn at " + describeScale(ratio) + "x the size shown even at scale 3 (" +
                describe(sharp) + " pixels for the " + boxInPoints(box) +
                "): " + common::describeByteCount((drawn - shown) * group.names.size()) +
                " of decoded memory for nothing; resize them to " + describe(sharp));
    }
    const PixelSize least = boxPixels(box, 2);
    if (group.size.width < least.width || group.size.height < least.height) {
        report.addProblem(file, ProblemKind::SmallerThanShown,
                          who + ", smaller than the " + boxInPoints(box) + " at scale 2 (" +
                              describe(least) +
                              " pixels): the screen enlarges them and they blur; draw them at " +
                              describe(sharp));
    }
    const double frameProportion = width / height;
    const double boxProportion = double{box.width} / box.height;
    if (std::abs(frameProportion / boxProportion - 1) > proportionTolerance) {
        report.addProblem(file, ProblemKind::OtherProportions,
                          who + ", " + describeRatio(frameProportion) +
                              " times as wide as high, but the " + boxInPoints(box) + " is " +
                              describeRatio(boxProportion) +
                              ": they are stretched to fill it; give options.json a width and "
                              "height of the frames' proportions");
    }
}

// Frames whose size differs from most frames' are named one by one: every frame is
// stretched to the same rectangle.
void checkMismatches(const std::map<std::pair<std::uint32_t, std::uint32_t>, SizeGroup>& groups,
                     CheckReport& report) {
    if (groups.size() < 2)
        return;
    // The size most frames have is the one the others are measured against; on a tie, the
    // size of the frame that plays first.
    const SizeGroup* common = nullptr;
    std::size_t firstPosition = report.frames.size();
    for (const auto& [key, group] : groups) {
        std::size_t position = 0;
        while (report.frames[position].name != group.names.front())
            ++position;
        if (!common || group.names.size() > common->names.size() ||
            (group.names.size() == common->names.size() && position < firstPosition)) {
            common = &group;
            firstPosition = position;
        }
    }
    for (const auto& frame : report.frames) {
        if (frame.size && *frame.size != common->size) {
            report.addProblem(frame.name, ProblemKind::SizeMismatch,
                              "is " + describe(*frame.size) + " pixels, the other frames " +
                                  describe(common->size) +
                                  "; every frame is stretched to the same rectangle");
        }
    }
}

} // namespace

void checkFrameSizes(CheckReport& report) {
    std::map<std::pair<std::uint32_t, std::uint32_t>, SizeGroup> groups;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> inPlayingOrder;
    std::size_t decoded = 0;
    for (const auto& frame : report.frames) {
        if (!frame.size)
            continue;
        ++decoded;
        std::pair key{frame.size->width, frame.size->height};
        auto [found, added] = groups.try_emplace(key, SizeGroup{*frame.size, {}});
        found->second.names.push_back(frame.name);
        if (added)
            inPlayingOrder.push_back(key);
    }
    checkMismatches(groups, report);
    // A box with no area shows nothing at any size (a problem of the options), and one larger
    // than any screen has no sensible pixel size.
    if (!(report.box.width > 0 && report.box.height > 0 && report.box.width < largestBoxSide &&
          report.box.height < largestBoxSide))
        return;
    for (const auto& key : inPlayingOrder)
        checkGroup(groups.at(key), decoded, report);
}

} // namespace velorin::tools
