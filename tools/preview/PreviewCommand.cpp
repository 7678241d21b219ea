// velorin-sim preview: renders what the lock screen shows while a charging sequence plays,
// as numbered PNG frames, a contact sheet and an animated WebP.
//
// Every argument is checked before anything is written. The sequence is only read (a folder
// of the author's own is copied into a private device root first), and the output folder
// receives its files all together at the end, or nothing. SIGINT or SIGTERM stops the preview
// at its next step, before the files are moved into place: the private root and the staging
// folder go, the output folder is as it was, and the status is 130 or 143.
#include "platform/DeviceFileSystem.h"
#include "platform/display/Image.h"
#include "settings/Settings.h"
#include "sim/Trace.h"
#include "tools/common/Commands.h"
#include "tools/common/FaultReport.h"
#include "tools/common/InterruptionWatch.h"
#include "tools/common/PreferenceListReading.h"
#include "tools/common/NearestName.h"
#include "tools/common/ProgressBar.h"
#include "tools/common/ScreenSize.h"
#include "tools/common/SequenceArgument.h"
#include "tools/lockscreen/LockScreenOptions.h"
#include "tools/preview/ContactSheet.h"
#include "tools/preview/ExtensionOffMark.h"
#include "tools/preview/FramePipeline.h"
#include "tools/preview/PreviewOutput.h"
#include "tools/preview/PreviewRecorder.h"
#include "tools/preview/PreviewSequence.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace velorin::tools {

namespace {

constexpr double longestPreviewSeconds = 600;
constexpr double mostFramesPerSecond = 120;

struct PreviewArguments {
    // Empty for the sequence the root's preferences choose.
    std::string sequence;
    std::string root;
    // One screen, or several separated by commas.
    std::string screen{"390x844"};
    std::string listing{"sorted"};
    double scale{2};
    double seconds{8};
    double framesPerSecond{30};
    std::string out{"velorin-preview"};
    bool noFrames{false};
    LockScreenArguments lockScreen;
};

// How the device lists the sequence folder during the preview.
struct ListingChoice {
    platform::ListingOrder order{platform::ListingOrder::ByteOrder};
    std::uint64_t seed{0};
};

// "sorted", "shuffled" (a seed of its own, said in the summary) or "shuffled:SEED".
common::Result<ListingChoice> readListing(const std::string& text) {
    if (text == "sorted")
        return ListingChoice{};
    if (text == "shuffled")
        return ListingChoice{platform::ListingOrder::Shuffled, std::random_device{}()};
    constexpr std::string_view shuffledWithSeed = "shuffled:";
    if (text.starts_with(shuffledWithSeed)) {
        std::string_view digits = std::string_view(text).substr(shuffledWithSeed.size());
        std::uint64_t seed = 0;
        auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), seed);
        if (error == std::errc() && end == digits.data() + digits.size() && !digits.empty())
            return ListingChoice{platform::ListingOrder::Shuffled, seed};
    }
    return common::Fault("--listing " + text, "expected sorted, shuffled or shuffled:SEED" +
                                                  didYouMean(text, {"sorted", "shuffled"}));
}

// The screens, in the order given: the first is the preview's, the others add their contact
// sheets beside its own.
common::Result<std::vector<platform::CGSize>> readScreens(const std::string& text) {
    std::vector<platform::CGSize> screens;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = std::min(text.find(',', start), text.size());
        std::string one = text.substr(start, end - start);
        auto screen = parseScreenSize(one);
        if (!screen)
            return common::Fault("--screen " + text,
                                 "expected WIDTHxHEIGHT in points, such as 390x844, or several "
                                 "separated by commas");
        if (auto note = screenSizeNote(*screen))
            std::fprintf(stderr, "velorin-sim: %s\n", note->c_str());
        screens.push_back({screen->width, screen->height});
        start = end + 1;
    }
    return screens;
}

common::Result<PreviewSettings> checkSettings(const PreviewArguments& arguments,
                                              const platform::CGSize& screen) {
    PreviewSettings settings;
    settings.screen = screen;
    if (!std::isfinite(arguments.scale) || arguments.scale <= 0)
        return common::Fault("--scale", "expected a number of pixels per point above 0");
    settings.scale = arguments.scale;
    double pixelWidth = settings.screen.width * settings.scale;
    double pixelHeight = settings.screen.height * settings.scale;
    double largest = platform::maximumImageSide;
    if (!(pixelWidth >= 0.5 && pixelHeight >= 0.5 && pixelWidth <= largest &&
          pixelHeight <= largest))
        return common::Fault("--screen " + arguments.screen,
                             "at this scale a side would be under 1 or over " +
                                 std::to_string(platform::maximumImageSide) + " pixels");
    if (!std::isfinite(arguments.seconds) || arguments.seconds <= 0 ||
        arguments.seconds > longestPreviewSeconds)
        return common::Fault("--seconds", "expected a length above 0 and up to 600 seconds");
    if (!std::isfinite(arguments.framesPerSecond) || arguments.framesPerSecond <= 0 ||
        arguments.framesPerSecond > mostFramesPerSecond)
        return common::Fault("--fps", "expected a rate above 0 and up to 120 frames a second");
    if (arguments.out.empty())
        return common::Fault("--out", "expected a folder to write into");
    settings.dress = TRY(readLockScreenDress(arguments.lockScreen));
    settings.seconds = arguments.seconds;
    settings.framesPerSecond = arguments.framesPerSecond;
    if (settings.frameCount() < 1)
        return common::Fault("--seconds", "too short for one frame at this rate");
    return settings;
}

// Records the preview on another screen for its contact sheet alone.
common::Result<platform::Ref<platform::CGImage>>
renderSheet(const PreviewSequence& sequence, const PreviewSettings& settings,
            const common::InterruptionCheck& interrupted) {
    ContactSheet sheet = ContactSheet::forPreview(settings);
    auto recorded =
        recordPreview(sequence, settings, [&](const RecordedFrame& frame) -> common::Result<void> {
            // Asked between two frames, so that the preview stops there and removes its
            // staging folder and private root instead of leaving them behind.
            TRY(common::stopIfInterrupted(interrupted));
            sheet.add(frame.index, frame.seconds, frame.events, *frame.picture);
            return {};
        });
    if (!recorded)
        return recorded.fault();
    auto assembled = sheet.assemble();
    if (!assembled)
        return common::Fault("cannot make the contact sheet of a " +
                             std::to_string(settings.pixelWidth()) + "x" +
                             std::to_string(settings.pixelHeight()) + " screen");
    return assembled;
}

// What the showing did at a moment of the preview: "charger in" at 0 s.
struct ShowingMoment {
    double seconds;
    std::string events;
};

// Renders the preview into the output's staging folder, and notes the moments something
// happened.
common::Result<void> render(const PreviewSequence& sequence, const PreviewSettings& settings,
                            const common::InterruptionCheck& interrupted,
                            const PreviewOutput& output, FrameFiles frameFiles,
                            const std::vector<platform::Ref<platform::CGImage>>& otherSheets,
                            std::vector<ShowingMoment>& moments) {
    int count = settings.frameCount();
    FramePipeline pipeline(settings, output, frameFiles);
    ProgressBar progress("Rendering", count, progressDisplayForStandardError());
    auto recorded =
        recordPreview(sequence, settings, [&](const RecordedFrame& frame) -> common::Result<void> {
            // Asked between two frames, so that the preview stops there and removes its
            // staging folder and private root instead of leaving them behind.
            TRY(common::stopIfInterrupted(interrupted));
            TRY(pipeline.add(frame));
            if (!frame.events.empty())
                moments.push_back({frame.seconds, frame.events});
            progress.update(frame.index + 1);
            return {};
        });
    progress.finish();
    if (!recorded)
        return recorded;
    return pipeline.finish(otherSheets);
}

void printSummary(const PreviewSequence& sequence, const PreviewSettings& settings,
                  const PreviewOutput& output, FrameFiles frameFiles,
                  const std::vector<ShowingMoment>& moments) {
    int count = settings.frameCount();
    std::printf("Previewed %s: %d frames of %ux%u pixels, %g s at %g frames a second\n",
                sequence.name().c_str(), count, settings.pixelWidth(), settings.pixelHeight(),
                settings.seconds, settings.framesPerSecond);
    if (frameFiles == FrameFiles::Written) {
        std::string frames = std::string(previewFramesFolder) + "/";
        std::printf("frames:        %s",
                    output.finalPath(frames + previewFrameName(0, count)).c_str());
        if (count > 1)
            std::printf(" to %s", previewFrameName(count - 1, count).c_str());
        std::printf("\n");
    }
    std::printf("contact sheet: %s\n", output.finalPath(previewContactSheet).c_str());
    if (!moments.empty()) {
        std::string said;
        for (const ShowingMoment& moment : moments) {
            char time[32];
            std::snprintf(time, sizeof time, "%.2f s", moment.seconds);
            said += (said.empty() ? "" : ", ") + moment.events + " at " + time;
        }
        ShowingPlan plan = planShowings(settings, settings.looping);
        std::printf("showing:       %s; the contact sheet samples 0 to %.2f s\n", said.c_str(),
                    plan.lastSampledFrame / settings.framesPerSecond);
    }
    std::printf("animation:     %s\n", output.finalPath(previewAnimation).c_str());
}

// With the extension off in the preferences the preview plays with, the device shows nothing:
// every picture is marked, and the summary says so with the command that turns it on.
ExtensionMark markFor(const PreviewSequence& sequence) {
    return chosenSequence(sequence.deviceRoot()).enabled ? ExtensionMark::None
                                                         : ExtensionMark::ExtensionOff;
}

void printExtensionOff(const PreviewSequence& sequence, const std::string& givenRoot) {
    std::string command = std::string("velorin-sim prefs set ") + enabledPreferenceKey + " true" +
                          (givenRoot.empty() ? "" : " --root " + givenRoot);
    std::fprintf(stderr,
                 "velorin-sim: the extension is off in the preferences of %s, so the device "
                 "shows nothing; `%s` turns it on. The preview shows what would play, each "
                 "picture marked \"%s\".\n",
                 sequence.preferenceRoot().c_str(), command.c_str(),
                 std::string(extensionOffWords).c_str());
}

// Puts the listing order back when the preview is done.
class ScopedListingOrder {
public:
    explicit ScopedListingOrder(const ListingChoice& choice) {
        platform::setListingOrder(choice.order, choice.seed);
    }
    ~ScopedListingOrder() { platform::setListingOrder(platform::ListingOrder::ByteOrder); }
    ScopedListingOrder(const ScopedListingOrder&) = delete;
    ScopedListingOrder& operator=(const ScopedListingOrder&) = delete;
};

int runPreview(const PreviewArguments& arguments) {
    // Before anything is made, so that an interruption at any point finds every private copy
    // and staging folder owned by an object that removes it.
    InterruptionWatch watch;
    auto screens = readScreens(arguments.screen);
    if (!screens)
        return report(screens.fault());
    std::vector<PreviewSettings> allSettings;
    for (const platform::CGSize& screen : screens.value()) {
        auto checked = checkSettings(arguments, screen);
        if (!checked)
            return report(checked.fault());
        allSettings.push_back(checked.value());
    }
    auto listing = readListing(arguments.listing);
    if (!listing)
        return report(listing.fault());
    ScopedListingOrder listingOrder(listing.value());
    common::Result<PreviewSettings> settings = allSettings.front();
    auto sequence = PreviewSequence::choose(arguments.sequence, arguments.root, watch.check());
    if (!sequence)
        return watch.received() ? watch.reportInterruption() : report(sequence.fault());
    ExtensionMark mark = markFor(*sequence.value());
    Looping looping =
        readRootSettings(sequence.value()->deviceRoot()).loop ? Looping::Repeats : Looping::Once;
    for (PreviewSettings& screen : allSettings) {
        screen.mark = mark;
        screen.looping = looping;
        // Several sheets side by side are told apart by their screens.
        if (allSettings.size() > 1)
            screen.sheetTitle = sim::formatNumber(screen.screen.width) + " x " +
                                sim::formatNumber(screen.screen.height) + " points";
    }
    settings = allSettings.front();
    FrameFiles frameFiles = arguments.noFrames ? FrameFiles::Omitted : FrameFiles::Written;
    auto output = PreviewOutput::open(arguments.out, frameFiles);
    if (!output)
        return report(output.fault());
    std::vector<platform::Ref<platform::CGImage>> otherSheets;
    for (std::size_t screen = 1; screen < allSettings.size(); ++screen) {
        auto sheet = renderSheet(*sequence.value(), allSettings[screen], watch.check());
        if (!sheet)
            return watch.received() ? watch.reportInterruption() : report(sheet.fault());
        otherSheets.push_back(sheet.value());
    }
    std::vector<ShowingMoment> moments;
    if (auto rendered = render(*sequence.value(), settings.value(), watch.check(), *output.value(),
                               frameFiles, otherSheets, moments);
        !rendered)
        return watch.received() ? watch.reportInterruption() : report(rendered.fault());
    if (watch.interrupted())
        return watch.reportInterruption();
    if (auto committed = output.value()->commit(); !committed)
        return report(committed.fault());
    printSummary(*sequence.value(), settings.value(), *output.value(), frameFiles, moments);
    if (mark == ExtensionMark::ExtensionOff)
        printExtensionOff(*sequence.value(), arguments.root);
    if (allSettings.size() > 1)
        std::printf("The contact sheet shows the %zu screens side by side, in the order given, "
                    "each named above its panels; the frames and the animation are of the "
                    "first.\n",
                    allSettings.size());
    if (listing.value().order == platform::ListingOrder::Shuffled)
        std::printf("The folder was listed shuffled with seed %llu; `--listing shuffled:%llu` "
                    "plays the same listing again.\n",
                    static_cast<unsigned long long>(listing.value().seed),
                    static_cast<unsigned long long>(listing.value().seed));
    return 0;
}

} // namespace

CommandRun addPreviewOptions(CLI::App& command) {
    command.footer("When the root's preferences turn the extension off (enablebatteryanimation), "
                   "the device shows nothing: preview says so on standard error with the "
                   "command that turns it on, and still renders what would play, each frame and "
                   "panel marked \"extension off\".");
    auto arguments = std::make_shared<PreviewArguments>();
    command.add_option("SEQUENCE", arguments->sequence,
                       "A sequence folder (an argument holding a \"/\" or naming a folder here), "
                       "or a sequence name in the root (default: the sequence the root's "
                       "batteryanimation chooses)");
    command.add_option("--root", arguments->root, "Device root (default: your own)");
    command.add_option("--screen", arguments->screen,
                       "Screen size in points (default: 390x844); several, separated by commas, "
                       "put their contact sheets side by side");
    command.add_option("--listing", arguments->listing,
                       "How the device lists the folder: sorted (default), or shuffled[:SEED] "
                       "to play it as a device that lists another name first would");
    command.add_option("--scale", arguments->scale, "Pixels per point (default: 2)");
    command.add_option("--seconds", arguments->seconds, "Length of the preview (default: 8)");
    command.add_option("--fps", arguments->framesPerSecond, "Frames a second (default: 30)");
    command.add_option("--out", arguments->out,
                       "Output folder (default: velorin-preview in the current folder)");
    command.add_flag("--no-frames", arguments->noFrames,
                     "Write only the contact sheet and the animated WebP, no frame files");
    addLockScreenOptions(command, arguments->lockScreen);
    return [arguments] { return runPreview(*arguments); };
}

} // namespace velorin::tools
