#include "tools/check/SequenceCheck.h"

#include "platform/DeviceFileSystem.h"
#include "platform/StringValues.h"
#include "sequences/FrameListing.h"
#include "sequences/FrameOrdering.h"
#include "sequences/SequenceOptions.h"
#include "sim/QuoteText.h"
#include "tools/check/OptionsProblems.h"
#include "tools/check/ReadLimitsCheck.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

namespace velorin::tools {

namespace {

// The extension reads sequence folders through the device file system. For the check the
// device root is this machine's "/", so that the same code reads a folder given by its path
// here; the previous root comes back afterwards.
class ScopedDeviceRoot {
public:
    explicit ScopedDeviceRoot(const std::string& root) : m_previous(platform::deviceRoot()) {
        platform::setDeviceRoot(root);
    }
    ~ScopedDeviceRoot() { platform::setDeviceRoot(m_previous); }
    ScopedDeviceRoot(const ScopedDeviceRoot&) = delete;
    ScopedDeviceRoot& operator=(const ScopedDeviceRoot&) = delete;

private:
    std::string m_previous;
};

bool isCaseVariantOfFrameExtension(std::string_view name) {
    auto extension = pathExtension(name);
    if (extension.size() != frameExtension.size() || extension == frameExtension)
        return false;
    return std::equal(
        extension.begin(), extension.end(), frameExtension.begin(),
        [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

struct DigitRun {
    std::size_t start{0};
    std::size_t length{0};
};

// The runs of ASCII digits in a name, by UTF-16 position.
std::vector<DigitRun> digitRuns(const std::u16string& name) {
    std::vector<DigitRun> runs;
    for (std::size_t position = 0; position < name.size(); ++position) {
        bool digit = name[position] >= u'0' && name[position] <= u'9';
        if (!digit)
            continue;
        if (!runs.empty() && runs.back().start + runs.back().length == position)
            ++runs.back().length;
        else
            runs.push_back({position, 1});
    }
    return runs;
}

std::string describeWindow(const NumberWindow& window) {
    return "its window " + sim::quoteText(window.text) + " gives key " +
           std::to_string(window.sortKey);
}

void checkFrameListing(const std::vector<std::string>& listing, CheckReport& report) {
    for (const auto& name : listing) {
        if (isCaseVariantOfFrameExtension(name)) {
            report.addProblem(name, ProblemKind::ExtensionCase,
                              "is not a frame: only names ending in \".png\", in lower case, "
                              "are played");
        }
    }
}

// What the name of one frame says against the rule that orders it.
void checkFrameName(const OrderedFrame& frame, const std::string& firstName,
                    std::int32_t prefixLength, CheckReport& report) {
    auto name = platform::toUtf16(frame.name);
    auto runs = digitRuns(name);
    auto width = static_cast<std::size_t>(prefixLength);
    if (runs.empty()) {
        report.addProblem(frame.name, ProblemKind::NoNumber,
                          "holds no number; " + describeWindow(frame.window) +
                              ", which decides where it plays");
        return;
    }
    if (runs.front().start != width) {
        report.addProblem(frame.name, ProblemKind::PrefixLength,
                          "its number starts at position " + std::to_string(runs.front().start) +
                              ", but numbers are read from position " +
                              std::to_string(prefixLength) + ", the prefix length of " +
                              sim::quoteText(firstName) + ", the first frame in the listing; " +
                              describeWindow(frame.window));
    }
    if (runs.size() > 1 && runs.back().start != width) {
        report.addProblem(frame.name, ProblemKind::DigitsInPrefix,
                          "holds digits before its number; " + describeWindow(frame.window) +
                              ", not the number " +
                              sim::quoteText(platform::toUtf8(std::u16string_view(name).substr(
                                  runs.back().start, runs.back().length))));
    }
    for (const auto& run : runs) {
        if (run.start == width && run.length > width) {
            report.addProblem(frame.name, ProblemKind::NumberCut,
                              "its number has " + std::to_string(run.length) +
                                  " digits, more than the " + std::to_string(prefixLength) +
                                  " the window holds; it is read as " +
                                  std::to_string(frame.window.sortKey));
        }
    }
    if (frame.window.cutAtEnd) {
        report.addProblem(frame.name, ProblemKind::WindowCut,
                          "is " + std::to_string(name.size()) + " characters long, shorter than " +
                              std::to_string(2 * width) +
                              " (twice the prefix length), so its window is cut at the end of the "
                              "name: " +
                              describeWindow(frame.window) +
                              "; lengthen the number with leading zeros");
    }
}

// L comes from the first name alone; when most other frames have a prefix of another length,
// that name is the one to rename.
void checkPrefixSource(const FrameOrder& order, const std::string& firstName, CheckReport& report) {
    std::map<std::size_t, std::size_t> counts;
    for (const auto& frame : order.frames) {
        if (frame.listingIndex == 0)
            continue;
        if (auto position = firstDigitPosition(frame.name))
            ++counts[*position];
    }
    auto common = std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
        return a.second < b.second;
    });
    // On a tie the first name is not the odd one out.
    auto own = counts.find(static_cast<std::size_t>(order.prefixLength));
    if (common == counts.end() || (own != counts.end() && own->second == common->second))
        return;
    report.addProblem(
        firstName, ProblemKind::PrefixLength,
        "is the first frame in the listing, so its prefix length " +
            std::to_string(order.prefixLength) + " places every frame's number window, but " +
            std::to_string(common->second) + " of the other " +
            std::to_string(order.frames.size() - 1) + " frames have their number at position " +
            std::to_string(common->first) + "; give every frame the same prefix length");
}

void checkOrdering(const FrameOrder& order, const std::vector<std::string>& frameNames,
                   CheckReport& report) {
    // With one frame or none there is nothing to order.
    if (frameNames.size() < 2)
        return;
    const auto& firstName = frameNames.front();
    if (!firstDigitPosition(firstName)) {
        report.addProblem(firstName, ProblemKind::FirstNameWithoutDigits,
                          "is the first frame in the listing and holds no digit, so no frame's "
                          "number is read: all " +
                              std::to_string(frameNames.size()) + " frames play in listing order");
        return;
    }
    if (order.prefixLength == 0) {
        report.addProblem(firstName, ProblemKind::EmptyPrefix,
                          "is the first frame in the listing and begins with a digit, so the "
                          "prefix length is 0 and no frame's number is read: all " +
                              std::to_string(frameNames.size()) +
                              " frames play in listing order; put a prefix before the numbers");
        return;
    }
    checkPrefixSource(order, firstName, report);
    for (const auto& frame : order.frames)
        checkFrameName(frame, firstName, order.prefixLength, report);
    // The first frame of a run of equal keys is the one the others are compared with. It is
    // carried along as the frames are passed, so that a long run costs no more per frame than
    // a short one.
    std::size_t first = 0;
    for (std::size_t index = 1; index < order.frames.size(); ++index) {
        const auto& frame = order.frames[index];
        if (frame.window.sortKey != order.frames[index - 1].window.sortKey)
            first = index;
        if (first == index)
            continue;
        report.addProblem(frame.name, ProblemKind::EqualKeys,
                          "has sort key " + std::to_string(frame.window.sortKey) +
                              ", the same as " + sim::quoteText(order.frames[first].name) +
                              "; frames with equal keys play in listing order");
    }
}

void checkSizes(CheckReport& report) {
    // The size most frames have is the one the others are measured against; on a tie, the
    // size of the frame that plays first.
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::size_t> counts;
    std::optional<PixelSize> common;
    std::size_t commonCount = 0;
    for (const auto& frame : report.frames) {
        if (!frame.size)
            continue;
        auto count = ++counts[{frame.size->width, frame.size->height}];
        if (count > commonCount) {
            commonCount = count;
            common = frame.size;
        }
    }
    if (!common || counts.size() < 2)
        return;
    auto describe = [](PixelSize size) {
        return std::to_string(size.width) + "x" + std::to_string(size.height);
    };
    for (const auto& frame : report.frames) {
        if (frame.size && *frame.size != *common) {
            report.addProblem(frame.name, ProblemKind::SizeMismatch,
                              "is " + describe(*frame.size) + " pixels, the other frames " +
                                  describe(*common) +
                                  "; every frame is stretched to the same rectangle");
        }
    }
}

// The folder as a device path under the root "/": no leading slash, a trailing slash, as the
// extension's sequence folders are written.
std::string devicePathOf(const std::filesystem::path& absolutePath) {
    auto text = absolutePath.string();
    auto start = text.find_first_not_of('/');
    text = start == std::string::npos ? std::string() : text.substr(start);
    if (!text.empty() && text.back() != '/')
        text += '/';
    return text;
}

// The options file read as the extension reads it, whole through the device file system; a
// file that exists but gives no bytes (a folder, or not readable) is a problem of its own.
void checkPlacement(const std::string& devicePath, const std::filesystem::path& hostFolder,
                    ScreenSize screen, OptionsLimits limits, CheckReport& report) {
    const std::string optionsName(optionsFileName);
    // A file past the limits is a problem already; the extension places by the defaults.
    if (limits == OptionsLimits::Past) {
        checkOptions(std::nullopt, OptionsSource::PastLimits, screen, optionsName, report);
        return;
    }
    auto bytes = readSequenceOptions(devicePath);
    if (bytes) {
        checkOptions(std::span<const std::uint8_t>(*bytes), OptionsSource::Read, screen,
                     optionsName, report);
        return;
    }
    std::error_code error;
    bool exists =
        std::filesystem::exists(std::filesystem::symlink_status(hostFolder / optionsName, error));
    if (exists) {
        report.addProblem(optionsName, ProblemKind::OptionsUnreadable,
                          "cannot be read (a folder, a broken link, or not readable); every "
                          "option has its default");
    }
    checkOptions(std::nullopt, exists ? OptionsSource::Unreadable : OptionsSource::NoFile, screen,
                 report.folder, report);
}

} // namespace

sim::Result<CheckReport> checkSequenceFolder(const std::string& hostPath,
                                             std::optional<ScreenSize> screen) {
    std::error_code error;
    auto status = std::filesystem::status(hostPath, error);
    if (!std::filesystem::exists(status))
        return sim::Fault(hostPath, "no such folder");
    if (!std::filesystem::is_directory(status))
        return sim::Fault(hostPath, "not a folder");
    auto absolutePath = std::filesystem::canonical(hostPath, error);
    if (error)
        return sim::Fault(hostPath, "cannot resolve the folder: " + error.message());

    ScopedDeviceRoot root("/");
    auto devicePath = devicePathOf(absolutePath);
    auto listing = listSequenceFolder(devicePath);
    if (!listing)
        return sim::Fault(hostPath, "cannot read the folder");

    CheckReport report;
    report.folder = hostPath;
    checkListingLimit(devicePath, report);
    checkFrameListing(*listing, report);
    auto frameNames = filterFrameNames(*listing);
    if (frameNames.empty()) {
        report.addProblem(hostPath, ProblemKind::NoFrames,
                          "holds no frame (no name ends in \".png\"); the animation stays blank");
    } else {
        auto order = orderFrames(frameNames);
        report.prefixLength = order.prefixLength;
        report.prefixSource = frameNames.front();
        for (const auto& frame : order.frames) {
            report.frames.push_back(
                {frame.name, frame.window.text, frame.window.sortKey, frame.window.cutAtEnd, {}});
        }
        checkOrdering(order, frameNames, report);
        checkFrameFiles(devicePath, report);
        checkSizes(report);
    }
    OptionsLimits limits = checkOptionsLimits(devicePath, report);
    if (screen)
        checkPlacement(devicePath, absolutePath, *screen, limits, report);
    return report;
}

} // namespace velorin::tools
