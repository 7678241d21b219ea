#include "tools/check/OptionsProblems.h"

#include "common/QuoteText.h"
#include "platform/StringValues.h"
#include "presentation/ShowingLength.h"
#include "sequences/SequenceOptions.h"
#include "tools/common/JsonTextFault.h"
#include "tools/common/NearestName.h"
#include "tools/lockscreen/LockScreenLayout.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>

namespace velorin::tools {

namespace {

using Json = nlohmann::json;

enum class MemberRole { Size, Offset, Duration, Position };

struct KnownMember {
    const char* name;
    MemberRole role;
};

constexpr std::array knownMembers{
    KnownMember{optionsMember::width, MemberRole::Size},
    KnownMember{optionsMember::height, MemberRole::Size},
    KnownMember{optionsMember::yOffsetFromBottom, MemberRole::Offset},
    KnownMember{optionsMember::xOffsetFromBottom, MemberRole::Offset},
    KnownMember{optionsMember::animationDuration, MemberRole::Duration},
    KnownMember{optionsMember::x, MemberRole::Position},
    KnownMember{optionsMember::y, MemberRole::Position},
};
static_assert(knownMembers.size() == optionsMemberNames.size(),
              "every member the extension reads has a role here");

std::string formatNumber(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

// Reads the text with the same reader and strictness as the extension, only to learn where
// and why it refuses it.
class FaultLocator final : public nlohmann::json_sax<Json> {
public:
    std::optional<std::size_t> faultPosition;
    std::string faultText;

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return true; }
    bool key(string_t&) override { return true; }
    bool end_object() override { return true; }
    bool start_array(std::size_t) override { return true; }
    bool end_array() override { return true; }
    bool parse_error(std::size_t position, const std::string&,
                     const Json::exception& fault) override {
        faultPosition = position;
        faultText = jsonFaultReason(fault);
        return false;
    }
};

std::string_view kindOfValue(const Json& value) {
    switch (value.type()) {
    case Json::value_t::null:
        return "null";
    case Json::value_t::array:
        return "an array";
    case Json::value_t::object:
        return "an object";
    case Json::value_t::string:
        return "a string";
    case Json::value_t::boolean:
        return "a truth value";
    default:
        return "a number";
    }
}

std::string lowerCase(std::string_view text) {
    std::string lowered(text);
    for (char& character : lowered)
        character = character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a')
                                                         : character;
    return lowered;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [&lower](char x, char y) { return lower(x) == lower(y); });
}

class OptionsReader {
public:
    OptionsReader(const Json& options, const std::string& file, CheckReport& report)
        : m_options(options), m_file(file), m_report(report) {}

    void checkNames() {
        for (const auto& [name, value] : m_options.items()) {
            if (isKnown(name))
                continue;
            bool caseVariant = false;
            for (const auto& known : knownMembers) {
                if (!equalIgnoringCase(name, known.name))
                    continue;
                caseVariant = true;
                add(ProblemKind::MemberCase,
                    "member " + common::quoteText(name) +
                        " is not read: member names are matched in exact case; " +
                        usedInstead(known.name));
            }
            if (!caseVariant)
                checkUnknownName(name);
        }
    }

    void checkValues() {
        for (const auto& known : knownMembers) {
            auto found = m_options.find(known.name);
            if (found != m_options.end())
                checkValue(known, *found);
        }
    }

    // An offset is read in any case, but only the far-edge word of its axis uses it.
    void checkOffsets() {
        checkOffset(optionsMember::xOffsetFromBottom, optionsMember::x, rightWord);
        checkOffset(optionsMember::yOffsetFromBottom, optionsMember::y, bottomWord);
    }

private:
    void add(ProblemKind kind, std::string message) {
        m_report.addProblem(m_file, kind, std::move(message));
    }

    static bool isKnown(const std::string& name) {
        return std::any_of(knownMembers.begin(), knownMembers.end(),
                           [&name](const KnownMember& known) { return name == known.name; });
    }

    // What the extension uses for a member the file misnames.
    std::string usedInstead(const char* knownName) const {
        return m_options.contains(knownName)
                   ? "the file's " + common::quoteText(knownName) + " is used"
                   : common::quoteText(knownName) + " has its default";
    }

    // A name the extension does not read: an error when it is near a member's name, so likely
    // meant as that member; a note otherwise, since an author may keep notes of their own.
    void checkUnknownName(const std::string& name) {
        std::string lowered = lowerCase(name);
        const char* nearest = nullptr;
        std::size_t nearestDistance = 0;
        for (const auto& known : knownMembers) {
            std::string_view knownName = known.name;
            // Short names tolerate fewer slips: "x" only matches itself.
            std::size_t allowed = knownName.size() <= 2 ? 0 : knownName.size() <= 5 ? 1 : 2;
            std::size_t distance = spellingDistance(lowered, lowerCase(knownName));
            if (distance <= allowed && (!nearest || distance < nearestDistance)) {
                nearest = known.name;
                nearestDistance = distance;
            }
        }
        if (!nearest) {
            m_report.addProblem(m_file, ProblemKind::UnknownMember, Severity::Note,
                                "member " + common::quoteText(name) +
                                    " is not one the extension reads; it is ignored");
            return;
        }
        m_report.addProblem(m_file, ProblemKind::UnknownMember, Severity::Error,
                            "member " + common::quoteText(name) + " is not read: did you mean `" +
                                nearest + "`? " + usedInstead(nearest));
    }

    void checkValue(const KnownMember& known, const Json& value) {
        const std::string name = common::quoteText(known.name);
        const bool position = known.role == MemberRole::Position;
        if (value.is_null() || value.is_array() || value.is_object()) {
            add(ProblemKind::WrongKind, name + " is " + std::string(kindOfValue(value)) +
                                            ", not a number" + (position ? " or a word" : "") +
                                            "; it counts as absent and " + name +
                                            " has its default");
            return;
        }
        if (value.is_boolean()) {
            add(ProblemKind::WrongKind, name + " is " + value.dump() +
                                            ", a truth value rather than a number; it reads as " +
                                            (value.get<bool>() ? "1" : "0"));
            return;
        }
        if (!value.is_string())
            return;
        const auto& text = value.get_ref<const std::string&>();
        if (platform::beginsWithNumber(text))
            return;
        if (!position) {
            add(ProblemKind::WordReadsAsZero,
                name + " is " + common::quoteText(text) +
                    ", which does not begin with a number and reads as 0");
            return;
        }
        const bool horizontal = std::string_view(known.name) == optionsMember::x;
        const char* farEdge = horizontal ? rightWord : bottomWord;
        if (text == centerWord || text == farEdge)
            return;
        std::string message = name + " is " + common::quoteText(text) + ", which is not " +
                              common::quoteText(centerWord) + " or " + common::quoteText(farEdge) +
                              " in exact case and not a number, so it reads as 0";
        const char* otherAxisWord = horizontal ? bottomWord : rightWord;
        if (text == otherAxisWord)
            message += "; " + common::quoteText(otherAxisWord) + " places " +
                       common::quoteText(horizontal ? optionsMember::y : optionsMember::x) +
                       " only";
        add(ProblemKind::WordReadsAsZero, std::move(message));
    }

    void checkOffset(const char* offsetName, const char* axisName, const char* farEdgeWord) {
        auto offset = m_options.find(offsetName);
        if (offset == m_options.end() || offset->is_null() || offset->is_array() ||
            offset->is_object())
            return;
        auto axis = m_options.find(axisName);
        if (axis != m_options.end() && axis->is_string() &&
            axis->get_ref<const std::string&>() == farEdgeWord)
            return;
        add(ProblemKind::UnusedOffset,
            common::quoteText(offsetName) + " has no effect: it is used only when " +
                common::quoteText(axisName) + " is " + common::quoteText(farEdgeWord));
    }

    const Json& m_options;
    const std::string& m_file;
    CheckReport& m_report;
};

// Whether the text is an options object; when it is not, the report says why.
std::optional<Json> readOptions(std::span<const std::uint8_t> bytes, const std::string& file,
                                CheckReport& report) {
    if (bytes.empty()) {
        report.addProblem(file, ProblemKind::InvalidJson,
                          "is empty, which is not JSON; every option has its default");
        return std::nullopt;
    }
    FaultLocator locator;
    // The reader would take a NUL byte for the end of the text; the extension refuses the text.
    if (auto nul = std::find(bytes.begin(), bytes.end(), std::uint8_t{0}); nul != bytes.end()) {
        locator.faultPosition = static_cast<std::size_t>(nul - bytes.begin()) + 1;
        locator.faultText = "a NUL byte, which JSON text cannot hold";
    } else {
        Json::sax_parse(bytes.begin(), bytes.end(), &locator);
    }
    if (locator.faultPosition) {
        auto position = textPositionOf(bytes, *locator.faultPosition);
        report.addProblem(file, ProblemKind::InvalidJson,
                          "is not valid JSON at line " + std::to_string(position.line) +
                              ", column " + std::to_string(position.column) + ": " +
                              locator.faultText + "; every option has its default");
        return std::nullopt;
    }
    Json options = Json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (options.is_discarded())
        return std::nullopt;
    if (!options.is_object()) {
        report.addProblem(file, ProblemKind::NotAnObject,
                          "holds " + std::string(kindOfValue(options)) +
                              " at its top level, not an object; every option has its default");
        return std::nullopt;
    }
    return options;
}

void checkPlacementValues(const SequencePlacement& placement, const std::string& file,
                          CheckReport& report) {
    auto notPositive = [&](const char* name, float value, const char* consequence) {
        // Written so that a value that is not a number at all counts too.
        if (!(value > 0)) {
            report.addProblem(file, ProblemKind::NotPositive,
                              common::quoteText(name) + " is " + formatNumber(value) +
                                  ", zero or less: " + consequence);
        }
    };
    notPositive(optionsMember::width, placement.width,
                "the view has no area to show the frames in");
    notPositive(optionsMember::height, placement.height,
                "the view has no area to show the frames in");
    notPositive(optionsMember::animationDuration, placement.animationDuration,
                "one run through the frames takes no time");
    if (placement.animationDuration > showingLengthSeconds) {
        report.addProblem(
            file, ProblemKind::LongerThanShowing,
            "\"animationDuration\" is " + formatNumber(placement.animationDuration) +
                " seconds, longer than a showing (" + formatNumber(showingLengthSeconds) +
                " seconds): the showing ends before the run does, so the last frames are never "
                "shown");
    }
}

void checkOnScreen(const SequencePlacement& placement, ScreenSize screen, const std::string& file,
                   CheckReport& report) {
    double left = std::min(double{placement.x}, double{placement.x} + double{placement.width});
    double right = std::max(double{placement.x}, double{placement.x} + double{placement.width});
    double top = std::min(double{placement.y}, double{placement.y} + double{placement.height});
    double bottom = std::max(double{placement.y}, double{placement.y} + double{placement.height});
    std::vector<std::string> edges;
    auto past = [&edges](double distance, const char* edge) {
        if (distance > 0)
            edges.push_back(formatNumber(distance) + " points past the " + edge + " edge");
    };
    past(-left, "left");
    past(right - screen.width, "right");
    past(-top, "top");
    past(bottom - screen.height, "bottom");
    if (edges.empty())
        return;
    std::string where;
    for (const auto& edge : edges)
        where += (where.empty() ? "" : ", ") + edge;
    report.addProblem(file, ProblemKind::OffScreen,
                      "the view (x " + formatNumber(placement.x) + ", y " +
                          formatNumber(placement.y) + ", width " + formatNumber(placement.width) +
                          ", height " + formatNumber(placement.height) + ") leaves the " +
                          formatNumber(screen.width) + "x" + formatNumber(screen.height) +
                          " screen: " + where);
}

// Notes the pieces of the lock screen the view lies over, with the points where it does: the
// animation hides them while it shows, as the container is the page's topmost child.
void checkCoveredPieces(const SequencePlacement& placement, PlacementReport& placementReport,
                        const std::string& file, CheckReport& report) {
    platform::CGRect view =
        platform::CGRectMake(placement.x, placement.y, placement.width, placement.height);
    platform::CGSize screen{placementReport.screen.width, placementReport.screen.height};
    std::string where;
    for (const auto& piece : piecesBeneathAnimation(layOutLockScreen(screen))) {
        auto overlap = overlapOf(view, piece.frame);
        if (!overlap)
            continue;
        placementReport.covered.push_back({std::string(piece.name), *overlap});
        where += (where.empty() ? "" : ", ") + std::string(piece.name) + " (x " +
                 formatNumber(overlap->minX()) + " to " + formatNumber(overlap->maxX()) + ", y " +
                 formatNumber(overlap->minY()) + " to " + formatNumber(overlap->maxY()) + ")";
    }
    if (where.empty())
        return;
    report.addProblem(file, ProblemKind::CoversLockScreen,
                      "on a " + formatNumber(screen.width) + "x" + formatNumber(screen.height) +
                          " screen the view covers " + where +
                          " in points; the animation hides what it covers while it shows");
}

} // namespace

void checkOptionsFile(std::optional<std::span<const std::uint8_t>> optionsBytes,
                      const std::string& problemFile, CheckReport& report) {
    // Size and run length do not depend on the screen; the extension's own reading gives them.
    report.box = computePlacement(optionsBytes, 0, 0);
    if (optionsBytes) {
        if (auto options = readOptions(*optionsBytes, problemFile, report)) {
            OptionsReader reader(*options, problemFile, report);
            reader.checkNames();
            reader.checkValues();
            reader.checkOffsets();
        }
    }
    checkPlacementValues(report.box, problemFile, report);
}

void checkPlacementOnScreen(std::optional<std::span<const std::uint8_t>> optionsBytes,
                            OptionsSource source, ScreenSize screen, const std::string& problemFile,
                            CheckReport& report) {
    // The rectangle is the extension's own; the container fills the screen.
    auto placement = computePlacement(optionsBytes, screen.width, screen.height);
    report.placement = PlacementReport{screen, placement, source, {}};
    checkOnScreen(placement, screen, problemFile, report);
    checkCoveredPieces(placement, *report.placement, problemFile, report);
}

} // namespace velorin::tools
