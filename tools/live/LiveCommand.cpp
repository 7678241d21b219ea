// velorin-sim live: the lock screen in a window, with the real extension loaded by the
// simulated host and driven by the wall clock, the sequence folder watched for changes, keys
// that play events on the device, and the trace on standard output as it happens.
//
// Every argument is checked before the window opens. A folder of the author's own is played
// through a private copy, as `preview` plays it, made again whenever the folder changes; the
// folder itself is only read. The window closes on `q`, Escape, its close button, SIGINT or
// SIGTERM (status 130 or 143), and nothing it made is left behind; a recording asked for is
// written then.
#include "platform/display/Image.h"
#include "sim/Trace.h"
#include "tools/common/Commands.h"
#include "tools/common/FaultReport.h"
#include "tools/common/InterruptionWatch.h"
#include "tools/common/ScenarioFile.h"
#include "tools/common/ScreenSize.h"
#include "tools/live/LiveLoop.h"
#include "tools/live/LiveRecording.h"
#include "tools/lockscreen/LockScreenOptions.h"
#include "tools/preview/PreviewSequence.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

// The screens `n` goes through after the one asked for: phones of three sizes.
constexpr platform::CGSize otherScreens[] = {{390, 844}, {430, 932}, {320, 568}};

struct LiveArguments {
    std::string sequence;
    std::string root;
    std::string screen{"390x844"};
    double scale{2};
    LockScreenArguments lockScreen;
    std::string record;
    std::string script;
    std::string capture;
    std::string moments;
    std::string screenshots;
    bool statistics{false};
    // Whether --screen was given, so that it wins over a script's own screen.
    bool screenGiven{false};
};

// "T1,T2,…" in seconds from the start, each 0 or more.
common::Result<std::vector<std::uint64_t>> readMoments(const std::string& text) {
    std::vector<std::uint64_t> moments;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = std::min(text.find(',', start), text.size());
        std::string_view one = std::string_view(text).substr(start, end - start);
        double seconds = -1;
        auto [last, error] = std::from_chars(one.data(), one.data() + one.size(), seconds);
        if (error != std::errc() || last != one.data() + one.size() || !std::isfinite(seconds) ||
            seconds < 0 || seconds > 1e6)
            return common::Fault("--at " + text,
                                 "expected moments in seconds from the start, separated by commas, "
                                 "such as 0.5,1,2.25");
        moments.push_back(static_cast<std::uint64_t>(std::llround(seconds * 1e9)));
        start = end + 1;
    }
    return moments;
}

common::Result<LiveOptions> checkArguments(const LiveArguments& arguments) {
    LiveOptions options;
    auto screen = parseScreenSize(arguments.screen);
    if (!screen)
        return common::Fault("--screen " + arguments.screen,
                             "expected WIDTHxHEIGHT in points, such as 390x844");
    if (auto note = screenSizeNote(*screen))
        std::fprintf(stderr, "velorin-sim: %s\n", note->c_str());
    if (!std::isfinite(arguments.scale) || arguments.scale <= 0)
        return common::Fault("--scale", "expected a number of pixels per point above 0");
    options.fullScale = arguments.scale;
    if (arguments.statistics)
        options.statistics = true;
    auto dress = TRY(readLockScreenDress(arguments.lockScreen));
    options.dress = dress;

    platform::CGSize first{screen->width, screen->height};
    if (!arguments.script.empty()) {
        auto script = TRY(readScenarioFile(arguments.script));
        options.script = std::move(script);
        if (!arguments.screenGiven)
            first = options.script->setup.screen;
    }
    options.screens.push_back(first);
    for (const auto& other : otherScreens) {
        if (std::find(options.screens.begin(), options.screens.end(), other) ==
            options.screens.end())
            options.screens.push_back(other);
    }
    for (const auto& shown : options.screens) {
        double largest = platform::maximumImageSide;
        if (!(shown.width * options.fullScale <= largest &&
              shown.height * options.fullScale <= largest &&
              shown.width * options.fullScale >= 0.5 && shown.height * options.fullScale >= 0.5))
            return common::Fault("--screen " + arguments.screen,
                                 "at this scale a side would be under 1 or over " +
                                     std::to_string(platform::maximumImageSide) + " pixels");
    }

    if (arguments.capture.empty() != arguments.moments.empty())
        return common::Fault(arguments.capture.empty() ? "--at" : "--capture",
                             "--capture DIR and --at T1,T2,… go together");
    if (!arguments.capture.empty()) {
        if (!options.script)
            return common::Fault("--capture",
                                 "captures are taken of a scenario: give --script too");
        auto moments = TRY(readMoments(arguments.moments));
        for (std::uint64_t moment : moments) {
            if (moment > options.script->endTime())
                return common::Fault("--at " + arguments.moments,
                                     "a moment comes after the scenario's end at " +
                                         exactSeconds(options.script->endTime()) + " s");
        }
        options.captureMoments = std::move(moments);
        std::error_code error;
        fs::create_directories(arguments.capture, error);
        if (!fs::is_directory(arguments.capture, error))
            return common::Fault(arguments.capture, "cannot be made a folder for the captures");
        options.captureFolder = arguments.capture;
        options.screenshotFolder = arguments.capture;
    }
    if (!arguments.screenshots.empty()) {
        std::error_code error;
        if (!fs::is_directory(arguments.screenshots, error))
            return common::Fault(arguments.screenshots, "is no folder to save screenshots in");
        options.screenshotFolder = arguments.screenshots;
    }
    if (!arguments.record.empty()) {
        TRY(checkRecordingTarget(arguments.record));
        options.recordFile = arguments.record;
    }
    return options;
}

int runLive(const LiveArguments& arguments) {
    // Before anything is made: the private copy goes on an interruption.
    InterruptionWatch watch;
    auto options = checkArguments(arguments);
    if (!options)
        return report(options.fault());
    auto sequence = PreviewSequence::choose(arguments.sequence, arguments.root, watch.check());
    if (!sequence)
        return watch.received() ? watch.reportInterruption() : report(sequence.fault());
    return runLiveLoop(*sequence.value(), options.value(), watch);
}

} // namespace

CommandRun addLiveOptions(CLI::App& command) {
    auto arguments = std::make_shared<LiveArguments>();
    command.add_option("SEQUENCE", arguments->sequence,
                       "A sequence folder (an argument holding a \"/\" or naming a folder here), "
                       "or a sequence name in the root (default: the sequence the root's "
                       "batteryanimation chooses)");
    command.add_option("--root", arguments->root, "Device root (default: your own)");
    auto* screen = command.add_option("--screen", arguments->screen,
                                      "Screen size in points (default: 390x844); `n` goes on "
                                      "to other phones' sizes");
    command.add_option("--scale", arguments->scale,
                       "Pixels per point of screenshots and captures (default: 2)");
    addLockScreenOptions(command, arguments->lockScreen);
    command.add_option("--record", arguments->record,
                       "Write what happened as a scenario that `velorin-sim run` replays");
    command.add_option("--script", arguments->script,
                       "Play this scenario in real time instead of launching and locking, and "
                       "close at its end");
    command.add_option("--capture", arguments->capture,
                       "Save the lock screen at the --at moments as DIR/capture-0001.png…, at "
                       "full resolution (with --script)");
    command.add_option("--at", arguments->moments,
                       "The moments of the captures, in seconds from the start: T1,T2,…");
    command.add_option("--screenshots", arguments->screenshots,
                       "The folder `s` saves screenshots in, as velorin-live-0001.png… "
                       "(default: the capture folder, else the current folder)");
    command.add_flag("--stats", arguments->statistics,
                     "At the end, print \"frames N, fps F, p99 T ms\" on standard error");
    command.footer("Keys: p plug in / unplug, l lock / unlock, d dim / wake, o looping on / off, "
                   "n next screen size, r reload, s screenshot, space pause, ? help, q quit.");
    return [arguments, screen] {
        arguments->screenGiven = screen->count() > 0;
        return runLive(*arguments);
    };
}

} // namespace velorin::tools
