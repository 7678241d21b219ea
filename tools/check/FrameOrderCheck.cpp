#include "tools/check/FrameOrderCheck.h"

#include "common/QuoteText.h"
#include "platform/StringValues.h"
#include "tools/common/NaturalOrder.h"

#include <algorithm>
#include <map>
#include <set>

namespace velorin::tools {

namespace {

// At most this many frames or groups are named in one message; the rest are counted.
constexpr std::size_t namedAtMost = 5;

std::string quoted(const std::string& name) {
    return common::quoteText(name);
}

// Why a name's window reads what it does, when that is not simply its number.
enum class Misreading {
    None,
    NoPrefix,
    NoNumber,
    DigitInPrefix,
    NumberElsewhere,
    NumberTooLong,
    WindowCut,
};

struct NameReading {
    Misreading misreading{Misreading::None};
    // Where the name's first digit is, and how many digits follow from there (UTF-16).
    std::size_t digitPosition{0};
    std::size_t digits{0};
};

NameReading readName(const std::string& name, std::int32_t prefixLength,
                     const NumberWindow& window) {
    auto text = platform::toUtf16(name);
    auto isDigit = [](char16_t character) { return character >= u'0' && character <= u'9'; };
    auto first = std::find_if(text.begin(), text.end(), isDigit);
    NameReading reading;
    if (prefixLength <= 0) {
        reading.misreading = Misreading::NoPrefix;
        return reading;
    }
    if (first == text.end()) {
        reading.misreading = Misreading::NoNumber;
        return reading;
    }
    reading.digitPosition = static_cast<std::size_t>(first - text.begin());
    reading.digits = static_cast<std::size_t>(std::find_if_not(first, text.end(), isDigit) - first);
    auto width = static_cast<std::size_t>(prefixLength);
    if (reading.digitPosition < width)
        reading.misreading = Misreading::DigitInPrefix;
    else if (reading.digitPosition > width)
        reading.misreading = Misreading::NumberElsewhere;
    else if (reading.digits > width)
        reading.misreading = Misreading::NumberTooLong;
    else if (window.cutAtEnd)
        reading.misreading = Misreading::WindowCut;
    return reading;
}

// The reason as a clause; empty when the window simply reads the number.
std::string readingReason(const std::string& name, std::int32_t prefixLength,
                          const NumberWindow& window) {
    NameReading reading = readName(name, prefixLength, window);
    std::string length = std::to_string(prefixLength);
    switch (reading.misreading) {
    case Misreading::None:
        return {};
    case Misreading::NoPrefix:
        return "no number is read with a prefix length of 0";
    case Misreading::NoNumber:
        return "it holds no number";
    case Misreading::DigitInPrefix:
        return "it has a digit at position " + std::to_string(reading.digitPosition) +
               ", inside the first " + length + " characters";
    case Misreading::NumberElsewhere:
        return "its number starts at position " + std::to_string(reading.digitPosition) + ", not " +
               length;
    case Misreading::NumberTooLong:
        return "its number has " + std::to_string(reading.digits) + " digits, more than the " +
               length + " the window holds";
    case Misreading::WindowCut:
        return "its window runs past the end of the name";
    }
    return {};
}

std::string describeReading(const WindowReading& reading, std::int32_t prefixLength) {
    std::string text = quoted(reading.name) + " (window " + quoted(reading.window.text) + ", key " +
                       std::to_string(reading.window.sortKey);
    if (auto reason = readingReason(reading.name, prefixLength, reading.window); !reason.empty())
        text += ": " + reason;
    return text + ")";
}

// Who the judgement concerns, as the start of a sentence.
std::string subject(const FrameOrderJudgement& judgement, std::size_t totalNames) {
    const auto& order = judgement.order;
    std::string length = "prefix length " + std::to_string(order.prefixLength);
    if (order.firstNames.size() == totalNames)
        return "whichever frame is listed first (" + length + ")";
    if (order.firstNames.size() == 1)
        return "when " + quoted(order.firstNames.front()) + " is listed first (" + length + ")";
    return "when one of " + std::to_string(order.firstNames.size()) + " names such as " +
           quoted(order.firstNames.front()) + " is listed first (" + length + ")";
}

// A renaming that plays in order on every listing: a five-letter prefix and numbers padded
// to the digits of the frame count.
std::string renamingAdvice(std::size_t frameCount) {
    auto digits = std::max<std::size_t>(std::to_string(frameCount).size(), 2);
    auto padded = [digits](std::size_t number) {
        std::string text = std::to_string(number);
        return "frame" + std::string(digits - text.size(), '0') + text + ".png";
    };
    return "rename the frames to one prefix without digits followed by numbers padded with "
           "zeros, such as " +
           padded(1) + " to " + padded(frameCount);
}

std::string differsMessage(const FrameOrderJudgement& judgement, std::size_t totalNames) {
    std::string message =
        subject(judgement, totalNames) + ", the frames play in another order than their names: ";
    const auto& frames = judgement.frames;
    std::size_t named = 0;
    for (std::size_t index : judgement.early) {
        if (named == namedAtMost)
            break;
        // The first frame before it, in natural order, that it now plays before.
        std::size_t later = 0;
        while (frames[later].window.sortKey <= frames[index].window.sortKey)
            ++later;
        message += (named++ > 0 ? "; " : "") +
                   describeReading(frames[index], judgement.order.prefixLength) + " plays before " +
                   quoted(frames[later].name) + " (key " +
                   std::to_string(frames[later].window.sortKey) + ")";
    }
    if (judgement.early.size() > named)
        message += "; and " + std::to_string(judgement.early.size() - named) + " more";
    return message + "; " + renamingAdvice(frames.size());
}

std::string tiesMessage(const FrameOrderJudgement& judgement, std::size_t totalNames) {
    const auto& frames = judgement.frames;
    const auto& ties = judgement.ties;
    std::string start = subject(judgement, totalNames) + ", ";
    if (ties.size() == 1 && ties.front().first == 0 && ties.front().second + 1 == frames.size()) {
        std::string reason =
            readingReason(frames.front().name, judgement.order.prefixLength, frames.front().window);
        return start + "every frame reads key " + std::to_string(frames.front().window.sortKey) +
               (reason.empty() ? "" : " (" + reason + ")") +
               ", so the frames play in the order the folder is listed, which is in no set "
               "order; " +
               renamingAdvice(frames.size());
    }
    std::size_t tied = 0;
    for (const auto& [first, last] : ties)
        tied += last - first + 1;
    std::string message = start + std::to_string(tied) +
                          " frames share their key with a neighbour, so each group plays in the "
                          "order the folder is listed, which is in no set order: ";
    std::size_t named = 0;
    for (const auto& [first, last] : ties) {
        if (named == namedAtMost)
            break;
        message += named++ > 0 ? "; " : "";
        for (std::size_t index = first; index <= last; ++index)
            message += (index == first  ? ""
                        : index == last ? " and "
                                        : ", ") +
                       quoted(frames[index].name);
        message += " (key " + std::to_string(frames[first].window.sortKey) + ")";
    }
    if (ties.size() > named)
        message += "; and " + std::to_string(ties.size() - named) + " more groups";
    return message;
}

// The right order rests on windows cut at the end of the names: said once for the sequence.
void addCutWindowWarning(const FrameOrderJudgement& judgement, CheckReport& report) {
    const auto& frames = judgement.frames;
    const auto& example = frames[judgement.cutWindows.front()];
    auto width = static_cast<std::size_t>(judgement.order.prefixLength);
    auto length = platform::toUtf16(example.name).size();
    std::string which = judgement.cutWindows.size() == frames.size()
                            ? "all " + std::to_string(frames.size()) + " frames"
                            : std::to_string(judgement.cutWindows.size()) + " of the " +
                                  std::to_string(frames.size()) + " frames";
    std::string message = "the frames play in the right order, but the number windows of " + which +
                          " run past the end of their names (" + quoted(example.name) + " is " +
                          std::to_string(length) + " characters long, shorter than " +
                          std::to_string(2 * width) + ", twice the prefix length " +
                          std::to_string(width) + "), and the extension reads what is left of them";
    // When the number starts where the window does, padding it with zeros fills the window.
    NameReading reading = readName(example.name, judgement.order.prefixLength, example.window);
    if (reading.misreading == Misreading::WindowCut) {
        auto text = platform::toUtf16(example.name);
        auto padded =
            text.substr(0, width) + std::u16string(2 * width - length, u'0') + text.substr(width);
        message += "; numbers padded with zeros to " +
                   std::to_string(reading.digits + 2 * width - length) + " digits, as in " +
                   quoted(platform::toUtf8(padded)) + ", fill the windows";
    }
    report.addProblem(report.folder, ProblemKind::WindowCut, std::move(message));
}

FrameOrderJudgement judge(std::int32_t prefixLength, std::vector<std::string> firstNames,
                          const std::vector<std::string>& naturalPlaying,
                          const std::set<std::string>& playing) {
    FrameOrderJudgement judgement;
    sortNaturally(firstNames);
    judgement.playingFirstNames = static_cast<std::size_t>(
        std::count_if(firstNames.begin(), firstNames.end(),
                      [&playing](const std::string& name) { return playing.count(name) > 0; }));
    judgement.order.prefixLength = prefixLength;
    judgement.order.firstNames = std::move(firstNames);
    std::int64_t highest = 0;
    for (const auto& name : naturalPlaying) {
        std::size_t index = judgement.frames.size();
        judgement.frames.push_back({name, numberWindow(name, prefixLength)});
        const auto& window = judgement.frames.back().window;
        // A cut window matters where a number is read from what is left of it.
        if (window.cutAtEnd && platform::beginsWithNumber(window.text))
            judgement.cutWindows.push_back(index);
        if (index > 0 && window.sortKey < highest)
            judgement.early.push_back(index);
        else if (index > 0 && window.sortKey == judgement.frames[index - 1].window.sortKey) {
            if (!judgement.ties.empty() && judgement.ties.back().second == index - 1)
                judgement.ties.back().second = index;
            else
                judgement.ties.emplace_back(index - 1, index);
        }
        highest = index == 0 ? window.sortKey : std::max(highest, window.sortKey);
    }
    judgement.order.verdict = !judgement.early.empty()  ? OrderVerdict::Other
                              : !judgement.ties.empty() ? OrderVerdict::Ties
                                                        : OrderVerdict::Natural;
    return judgement;
}

} // namespace

std::vector<FrameOrderJudgement> judgeFrameOrder(const std::vector<std::string>& frameNames,
                                                 const std::vector<std::string>& playingNames) {
    std::map<std::int32_t, std::vector<std::string>> firstNamesByLength;
    for (const auto& name : frameNames)
        firstNamesByLength[findPrefixLength(name)].push_back(name);
    std::vector<std::string> naturalPlaying = playingNames;
    sortNaturally(naturalPlaying);
    std::set<std::string> playing(playingNames.begin(), playingNames.end());
    std::vector<FrameOrderJudgement> judgements;
    for (auto& [prefixLength, firstNames] : firstNamesByLength)
        judgements.push_back(judge(prefixLength, std::move(firstNames), naturalPlaying, playing));
    std::stable_sort(judgements.begin(), judgements.end(), [](const auto& a, const auto& b) {
        if (a.playingFirstNames != b.playingFirstNames)
            return a.playingFirstNames > b.playingFirstNames;
        return a.order.firstNames.size() > b.order.firstNames.size();
    });
    return judgements;
}

std::string describeOrderEffect(const FrameOrderJudgement& judgement) {
    switch (judgement.order.verdict) {
    case OrderVerdict::Natural:
        return "the frames still play in the order of their names";
    case OrderVerdict::Ties:
        if (judgement.ties.size() == 1 && judgement.ties.front().first == 0 &&
            judgement.ties.front().second + 1 == judgement.frames.size())
            return "every frame reads key " +
                   std::to_string(judgement.frames.front().window.sortKey) +
                   ", so the frames play in the order the folder is listed, which is in no set "
                   "order";
        return "some frames share a key, so they play in the order the folder is listed";
    case OrderVerdict::Other:
        return "the frames play in another order than their names";
    }
    return {};
}

void addOrderProblems(const std::vector<FrameOrderJudgement>& judgements,
                      const std::vector<std::string>& reportedElsewhere, std::size_t totalNames,
                      CheckReport& report) {
    std::set<std::string> elsewhere(reportedElsewhere.begin(), reportedElsewhere.end());
    const FrameOrderJudgement* cut = nullptr;
    for (const auto& judgement : judgements) {
        if (judgement.frames.size() < 2)
            continue;
        const auto& firstNames = judgement.order.firstNames;
        bool foldedIntoOther = std::all_of(
            firstNames.begin(), firstNames.end(),
            [&elsewhere](const std::string& name) { return elsewhere.count(name) > 0; });
        if (foldedIntoOther)
            continue;
        std::string file = firstNames.size() == 1 && firstNames.size() < totalNames
                               ? firstNames.front()
                               : report.folder;
        switch (judgement.order.verdict) {
        case OrderVerdict::Other:
            report.addProblem(file, ProblemKind::OrderDiffers,
                              differsMessage(judgement, totalNames));
            break;
        case OrderVerdict::Ties: {
            // Frames that share a key may play in either order: a surprise at worst, unless
            // every frame shares the one key, when the order is the folder listing's alone.
            bool everyFrameTies = judgement.ties.size() == 1 && judgement.ties.front().first == 0 &&
                                  judgement.ties.front().second + 1 == judgement.frames.size();
            report.addProblem(file, ProblemKind::EqualKeys,
                              everyFrameTies ? Severity::Error : Severity::Warning,
                              tiesMessage(judgement, totalNames));
            break;
        }
        case OrderVerdict::Natural:
            // A right order that rests on cut windows is said once, whatever name is first.
            if (!cut && !judgement.cutWindows.empty())
                cut = &judgement;
            break;
        }
    }
    if (cut)
        addCutWindowWarning(*cut, report);
}

bool playsInAnotherOrder(const std::vector<FrameOrderJudgement>& judgements) {
    return std::any_of(judgements.begin(), judgements.end(), [](const auto& judgement) {
        return judgement.order.verdict == OrderVerdict::Other;
    });
}

} // namespace velorin::tools
