#include "tools/check/SequenceCheck.h"

#include "common/QuoteText.h"
#include "common/SystemCalls.h"
#include "platform/RootedPath.h"
#include "sequences/FrameListing.h"
#include "sequences/SequenceDirectory.h"
#include "sequences/SequenceOptions.h"
#include "sim/PrivateCopy.h"
#include "tools/check/FrameOrderCheck.h"
#include "tools/check/FrameSizeCheck.h"
#include "tools/check/OptionsProblems.h"
#include "tools/check/ReadLimitsCheck.h"
#include "tools/common/NaturalOrder.h"
#include "tools/import/ImportableFile.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace velorin::tools {

namespace {

using sim::isResourceForkName;

bool isCaseVariantOfFrameExtension(std::string_view name) {
    auto extension = pathExtension(name);
    if (extension.size() != frameExtension.size() || extension == frameExtension)
        return false;
    return std::equal(
        extension.begin(), extension.end(), frameExtension.begin(),
        [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
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

// The frames in the order the device plays them when it lists the folder as the tools do, by
// the extension's own ordering: the first frame listed sets the prefix length, and frames with
// equal keys keep the listing's order.
void listFrames(const std::vector<std::string>& frameNames, CheckReport& report) {
    auto order = orderFrames(frameNames);
    report.prefixLength = order.prefixLength;
    report.prefixSource = frameNames.front();
    for (const auto& frame : order.frames) {
        report.frames.push_back(
            {frame.name, frame.window.text, frame.window.sortKey, frame.window.cutAtEnd, {}});
    }
}

std::vector<std::string> playingFrames(const CheckReport& report) {
    std::vector<std::string> names;
    for (const auto& frame : report.frames) {
        if (frame.size)
            names.push_back(frame.name);
    }
    return names;
}

// Files that end in ".png" but are no PNG images, named once: the device lists them as
// frames it cannot decode, and one listed first sets the prefix length.
void reportNotPng(std::vector<std::string> names,
                  const std::vector<FrameOrderJudgement>& judgements, CheckReport& report) {
    if (names.empty())
        return;
    sortNaturally(names);
    bool resourceForks = std::any_of(names.begin(), names.end(), isResourceForkName);
    std::string message = names.size() == 1 ? std::string("ends in \".png\" but is not a PNG image")
                                            : std::to_string(names.size()) +
                                                  " files end in \".png\" but are not PNG images: " +
                                                  nameSome(names);
    if (resourceForks)
        message += " (\"._\" names are resource-fork files that another system leaves beside "
                   "each file)";
    message += names.size() == 1 ? "; the device lists it as a frame and cannot decode it"
                                 : "; the device lists them as frames and cannot decode them";
    const auto* own = judgements.empty() ? nullptr : &judgements.front();
    for (const auto& judgement : judgements) {
        const auto& firstNames = judgement.order.firstNames;
        bool onlyThese =
            std::all_of(firstNames.begin(), firstNames.end(), [&names](const auto& name) {
                return std::find(names.begin(), names.end(), name) != names.end();
            });
        if (!onlyThese || &judgement == own)
            continue;
        message += "; listed first, " + common::quoteText(firstNames.front()) +
                   " sets the prefix length to " + std::to_string(judgement.order.prefixLength) +
                   (own ? " instead of " + std::to_string(own->order.prefixLength) : "") +
                   ", and " + describeOrderEffect(judgement);
    }
    const char* them = names.size() == 1 ? "it" : "them";
    message += resourceForks
                   ? "; remove " + std::string(them) + " (rm " + report.folder +
                         "/._*), or install with `velorin-sim install`, which leaves "
                         "\"._\" files out"
                   : "; remove " + std::string(them) + " or give " + them + " another extension";
    report.addProblem(names.size() == 1 ? names.front() : report.folder, ProblemKind::NotPng,
                      std::move(message));
}

// At most this many files of a folder without frames are asked whether import reads them, so
// that a folder of thousands of pictures costs no more than this.
constexpr std::size_t importProbesAtMost = 32;

// A folder without frames may hold what import reads (a GIF, a video, JPEG frames): the
// command that makes a sequence of them.
std::string importSuggestion(const std::string& folder, const std::vector<std::string>& listing) {
    std::vector<std::string> readable;
    std::vector<std::string> kinds;
    std::size_t probes = 0;
    for (const auto& name : listing) {
        if (name.starts_with(".") || name == optionsFileName)
            continue;
        if (probes++ == importProbesAtMost)
            break;
        auto kind = importableFileKind((std::filesystem::path(folder) / name).string());
        if (!kind)
            continue;
        readable.push_back(name);
        if (std::find(kinds.begin(), kinds.end(), *kind) == kinds.end())
            kinds.push_back(*kind);
    }
    if (readable.empty())
        return {};
    std::string kindList;
    for (std::size_t index = 0; index < kinds.size(); ++index)
        kindList += (index == 0 ? "" : index + 1 == kinds.size() ? " and " : ", ") + kinds[index];
    if (readable.size() == 1)
        return "; import reads " + readable.front() + " (" + kindList + "): velorin-sim import " +
               (std::filesystem::path(folder) / readable.front()).string() +
               " makes a sequence of it";
    return "; import reads its pictures (" + kindList + ": " + nameSome(readable) +
           "): velorin-sim import " + folder + " makes a sequence of them";
}

// The options file as the extension reads it, whole through the device file system; a file
// that exists but gives no bytes (a folder, or not readable) is a problem of its own. With a
// screen, the placement it gives there.
void checkOptions(int root, const std::string& devicePath, std::optional<ScreenSize> screen,
                  OptionsLimits limits, CheckReport& report) {
    const std::string optionsName(optionsFileName);
    std::optional<std::vector<std::uint8_t>> bytes;
    OptionsSource source = OptionsSource::PastLimits;
    // A file past the limits is a problem already; the extension places by the defaults.
    if (limits == OptionsLimits::Within) {
        bytes = readSequenceOptions(root, devicePath);
        source = OptionsSource::Read;
        if (!bytes) {
            // An entry of that name, whatever it is (a folder, a link leading nowhere).
            struct stat status {};
            platform::FileDescriptor folder =
                platform::openInRoot(root, devicePath, O_PATH | O_DIRECTORY);
            bool exists = folder && ::fstatat(folder.get(), optionsName.c_str(), &status,
                                              AT_SYMLINK_NOFOLLOW) == 0;
            if (exists) {
                report.addProblem(optionsName, ProblemKind::OptionsUnreadable,
                                  "cannot be read (a folder, a broken link, or not readable); "
                                  "every option has its default");
            }
            source = exists ? OptionsSource::Unreadable : OptionsSource::NoFile;
        }
    }
    std::optional<std::span<const std::uint8_t>> content;
    if (bytes)
        content = std::span<const std::uint8_t>(*bytes);
    report.optionsSource = source;
    const std::string& problemFile = bytes ? optionsName : report.folder;
    checkOptionsFile(content, problemFile, report);
    if (screen)
        checkPlacementOnScreen(content, source, *screen, problemFile, report);
}

// The judgement most names give comes first; the one the frames are listed with is put first
// among equals, so that the report's frames and its first order agree.
void keepListedOrderFirst(std::vector<FrameOrderJudgement>& judgements, std::int32_t listed) {
    auto found =
        std::find_if(judgements.begin(), judgements.end(), [listed](const auto& judgement) {
            return judgement.order.prefixLength == listed;
        });
    if (found != judgements.end())
        std::rotate(judgements.begin(), found, found + 1);
}

CheckReport checkListedFolder(int root, const std::string& devicePath, const std::string& shown,
                              std::vector<std::string> listing, const CheckRequest& request) {
    CheckReport report;
    report.folder = shown;
    checkListingLimit(root, devicePath, report);
    checkFrameListing(listing, report);
    if (request.resourceForkFiles == ResourceForkFiles::LeftOut)
        std::erase_if(listing, [](const std::string& name) { return isResourceForkName(name); });
    auto frameNames = filterFrameNames(listing);
    if (frameNames.empty()) {
        report.addProblem(shown, ProblemKind::NoFrames,
                          "holds no frame (no name ends in \".png\"); the animation stays blank" +
                              importSuggestion(shown, listing));
    } else {
        // The frames are decoded in the order they play when listed by name, as the tools
        // list; the order is then judged for every name that may be listed first, with the
        // frames that do play.
        listFrames(frameNames, report);
        auto notPng = checkFrameFiles(root, devicePath, request.frameReading, report);
        auto judgements = judgeFrameOrder(frameNames, playingFrames(report));
        // What files that are no PNG do is said against the order most names give.
        reportNotPng(notPng, judgements, report);
        keepListedOrderFirst(judgements, report.prefixLength);
        for (const auto& judgement : judgements)
            report.orders.push_back(judgement.order);
        addOrderProblems(judgements, notPng, frameNames.size(), report);
    }
    OptionsLimits limits = checkOptionsLimits(root, devicePath, report);
    checkOptions(root, devicePath, request.screen, limits, report);
    checkFrameSizes(report);
    groupProblemsOfOneKind(report);
    return report;
}

} // namespace

common::Result<CheckReport> checkSequence(const SequenceArgument& sequence,
                                          const CheckRequest& request) {
    const std::string& shown = sequence.folder;
    std::error_code error;
    auto status = std::filesystem::status(shown, error);
    // A sequence of a root may be a link that only the root resolves; its listing tells.
    if (sequence.kind == SequenceArgument::Kind::Folder && !std::filesystem::exists(status))
        return common::Fault(shown, "no such folder");
    if (sequence.kind == SequenceArgument::Kind::Folder && !std::filesystem::is_directory(status))
        return common::Fault(shown, "not a folder");
    // A sequence in a root is read inside that root, as the device reads it; a folder of the
    // author's own under this machine's "/".
    std::string root = "/";
    std::string devicePath;
    if (sequence.kind == SequenceArgument::Kind::Name) {
        auto directory = sequenceDirectory(sequence.name);
        if (!directory)
            return common::Fault(shown, "names no sequence folder");
        root = sequence.root;
        devicePath = *directory;
    } else {
        auto absolutePath = std::filesystem::canonical(shown, error);
        if (error)
            return common::Fault(shown, "cannot resolve the folder: " +
                                            common::describeSystemError(error));
        devicePath = devicePathOf(absolutePath);
    }
    // Read inside the root given, while the process's own device root stays where it is.
    platform::FileDescriptor rootFolder = platform::openRootFolder(root);
    auto listing = rootFolder ? listSequenceFolder(rootFolder.get(), devicePath) : std::nullopt;
    if (!listing)
        return common::Fault(shown, "cannot read the folder");
    return checkListedFolder(rootFolder.get(), devicePath, shown, std::move(*listing), request);
}

common::Result<CheckReport> checkSequenceFolder(const std::string& hostPath,
                                                std::optional<ScreenSize> screen) {
    SequenceArgument folder{SequenceArgument::Kind::Folder, hostPath, {}, {}};
    return checkSequence(folder, CheckRequest{screen, ResourceForkFiles::Counted});
}

} // namespace velorin::tools
