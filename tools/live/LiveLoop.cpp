#include "tools/live/LiveLoop.h"

#include "common/SystemCalls.h"
#include "settings/Settings.h"
#include "sim/Trace.h"
#include "tools/check/SequenceCheck.h"
#include "tools/common/FaultReport.h"
#include "tools/live/FrameStatistics.h"
#include "tools/live/LiveClock.h"
#include "tools/live/LiveKeys.h"
#include "tools/live/LiveRecording.h"
#include "tools/live/LiveSession.h"
#include "tools/live/LiveWindow.h"
#include "tools/live/SequenceWatch.h"
#include "tools/preview/FramePipeline.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <unistd.h>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

std::string screenText(platform::CGSize screen) {
    return sim::formatNumber(screen.width) + "x" + sim::formatNumber(screen.height);
}

std::string countOf(std::size_t count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

// What the status line says of the sequence: how many frames play, or what check finds wrong.
std::string sequenceState(const SequenceArgument& source, platform::CGSize screen,
                          const char* verb) {
    auto checked = checkSequence(
        source, CheckRequest{ScreenSize{screen.width, screen.height}, ResourceForkFiles::Counted});
    if (!checked)
        return checked.fault().text();
    const CheckReport& report = checked.value();
    for (Severity severity : {Severity::Error, Severity::Warning}) {
        std::size_t count = report.count(severity);
        if (count == 0)
            continue;
        auto first =
            std::find_if(report.problems.begin(), report.problems.end(),
                         [severity](const auto& problem) { return problem.severity == severity; });
        std::string found = severity == Severity::Error ? countOf(count, "error", "errors")
                                                        : countOf(count, "warning", "warnings");
        std::string head = severity == Severity::Error
                               ? "check: " + found
                               : std::string(verb) + ": " +
                                     countOf(report.frames.size(), "frame", "frames") + "; " +
                                     found;
        return head + ": " + first->file + ": " + first->message;
    }
    return std::string(verb) + ": " + countOf(report.frames.size(), "frame", "frames");
}

std::string replayNote(const PreviewSequence& sequence, const std::string& recordFile) {
    if (sequence.isPrivateCopy())
        return "The folder " + sequence.source().folder +
               " played through a private copy: install it (velorin-sim install DIR --select) "
               "and replay with velorin-sim run " +
               recordFile + ".";
    return "Replay with: velorin-sim run " + recordFile + " --root " + sequence.deviceRoot();
}

sim::HostSetup hostSetupFor(const PreviewSequence& sequence, const LiveOptions& options,
                            platform::CGSize screen) {
    sim::HostSetup setup;
    if (options.script) {
        setup = options.script->setup;
    } else {
        // The window stays lit until `d` dims it, so that it can be watched while editing.
        setup.autolockNanoseconds.reset();
    }
    setup.screen = screen;
    setup.preferences.emplace_back(enabledPreferenceKey, platform::PropertyValue::boolean(true));
    setup.preferences.emplace_back(sequenceNamePreferenceKey,
                                   platform::PropertyValue::string(sequence.name()));
    return setup;
}

// Writes a capture whole: a new file beside it, then renamed over it.
common::Result<void> writeCapture(const FramePixels& picture, const fs::path& path) {
    std::string temporary = path.string() + ".velorin-new-" + std::to_string(getpid());
    TRY(writeFramePng(picture, temporary).withContext(path.string(), "cannot be written"));
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        std::string reason = common::describeSystemError(error);
        fs::remove(temporary, error);
        return common::Fault(path.string(), "cannot be written: " + reason);
    }
    return {};
}

// Writes a screenshot under the first free name, never over a file that is there.
common::Result<std::string> writeScreenshot(const FramePixels& picture, const fs::path& folder) {
    std::string temporary =
        (folder / (".velorin-live-screenshot-" + std::to_string(getpid()))).string();
    TRY(writeFramePng(picture, temporary).withContext(temporary, "cannot be written"));
    for (int number = 1; number <= 9999; ++number) {
        char name[32];
        std::snprintf(name, sizeof name, "velorin-live-%04d.png", number);
        fs::path target = folder / name;
        if (::link(temporary.c_str(), target.c_str()) == 0) {
            ::unlink(temporary.c_str());
            return target.string();
        }
        if (errno != EEXIST)
            break;
    }
    ::unlink(temporary.c_str());
    return common::Fault(folder.string(), "has no free name for a screenshot");
}

constexpr std::uint64_t never = std::numeric_limits<std::uint64_t>::max();

// A capture moment with its number in the order given.
struct Moment {
    std::uint64_t time;
    int number;
};

class Loop {
public:
    Loop(PreviewSequence& sequence, const LiveOptions& options, InterruptionWatch& watch)
        : m_sequence(sequence), m_options(options), m_watch(watch), m_clock(makeLiveClock()) {
        for (std::size_t index = 0; index < options.captureMoments.size(); ++index)
            m_moments.push_back({options.captureMoments[index], static_cast<int>(index) + 1});
        std::stable_sort(m_moments.begin(), m_moments.end(),
                         [](const Moment& a, const Moment& b) { return a.time < b.time; });
    }

    int run() {
        platform::CGSize screen = m_options.screens.front();
        auto window = LiveWindow::open(screen, "velorin-sim live: " + m_sequence.name());
        if (!window)
            return report(window.fault());
        m_window = std::move(window).value();
        if (auto started = startSession(screen); !started)
            return finish(started.fault());
        m_folderWatch = SequenceWatch::watch(m_sequence.source().folder);
        setStatus(sequenceState(m_sequence.source(), screen, "loaded"));
        std::vector<char> clockKeys;
        for (;;) {
            if (m_watch.interrupted())
                return finish(std::nullopt);
            auto begun = std::chrono::steady_clock::now();
            WindowInput input = m_window->poll();
            input.keys.insert(input.keys.begin(), clockKeys.begin(), clockKeys.end());
            clockKeys.clear();
            if (input.closed)
                return finish(std::nullopt);
            if (input.resized)
                m_session->setDisplayScale(m_window->pictureScale());
            if (m_folderWatch && m_folderWatch->changed())
                reload();
            if (auto played = playDue(); !played)
                return finish(played.fault());
            if (m_ended)
                return finish(std::nullopt);
            for (char letter : input.keys) {
                auto key = liveKeyForLetter(letter);
                if (!key)
                    continue;
                if (*key == LiveKey::Quit)
                    return finish(std::nullopt);
                if (auto pressed = press(*key); !pressed)
                    return finish(pressed.fault());
            }
            m_session->advanceTo(deviceTime());
            if (auto shown = showFrame(); !shown)
                return finish(shown.fault());
            auto made = std::chrono::steady_clock::now();
            m_statistics.add(
                static_cast<std::uint64_t>(
                    std::chrono::duration_cast<std::chrono::nanoseconds>(made.time_since_epoch())
                        .count()),
                static_cast<std::uint64_t>(
                    std::chrono::duration_cast<std::chrono::nanoseconds>(made - begun).count()));
            if (!m_clock->waitForNextFrame(clockKeys))
                return finish(std::nullopt);
        }
    }

private:
    common::Result<void> startSession(platform::CGSize screen) {
        m_session.reset();
        LiveSessionSetup setup{hostSetupFor(m_sequence, m_options, screen), m_sequence.deviceRoot(),
                               m_options.dress, m_options.fullScale,
                               replayNote(m_sequence, m_options.recordFile)};
        auto session = TRY(LiveSession::start(setup));
        m_session = std::move(session);
        m_origin = m_clock->now();
        m_pausedTotal = 0;
        if (m_pausedAt)
            m_pausedAt = m_origin;
        m_session->setDisplayScale(m_window->pictureScale());
        m_ended = false;
        if (!m_options.script) {
            for (const char* opening : {"launch", "lock"}) {
                if (auto played = m_session->play(opening); !played)
                    return played;
            }
        }
        return {};
    }

    std::uint64_t deviceTime() const {
        std::uint64_t clock = m_pausedAt ? *m_pausedAt : m_clock->now();
        std::uint64_t elapsed =
            clock > m_origin + m_pausedTotal ? clock - m_origin - m_pausedTotal : 0;
        return std::max(elapsed, m_session->now());
    }

    // The scenario's events and the captures due by now, in the order of their times; on a
    // tie, events first, then captures, and the end last.
    common::Result<void> playDue() {
        std::uint64_t now = deviceTime();
        const sim::Scenario* script =
            m_options.script && m_scriptPlays ? &*m_options.script : nullptr;
        for (;;) {
            std::uint64_t nextEvent = never;
            bool eventIsEnd = false;
            if (script && m_nextEvent < script->events.size()) {
                nextEvent = script->events[m_nextEvent].time;
                eventIsEnd = script->events[m_nextEvent].kind == sim::EventKind::End;
            }
            std::uint64_t nextMoment =
                m_nextMoment < m_moments.size() ? m_moments[m_nextMoment].time : never;
            std::uint64_t end = script ? script->endTime() : never;
            if (nextEvent <= now &&
                (nextEvent < nextMoment || (nextEvent == nextMoment && !eventIsEnd))) {
                m_session->advanceTo(nextEvent);
                const sim::ScenarioEvent& event = script->events[m_nextEvent++];
                if (auto played = m_session->play(event); !played)
                    return played;
                if (event.kind == sim::EventKind::End) {
                    m_ended = true;
                    return {};
                }
                continue;
            }
            if (nextMoment <= now && nextMoment <= end) {
                m_session->advanceTo(nextMoment);
                if (auto taken = capture(m_moments[m_nextMoment++]); !taken)
                    return taken;
                continue;
            }
            if (script && end <= now && m_nextEvent >= script->events.size()) {
                m_session->endAt(end);
                m_ended = true;
            }
            return {};
        }
    }

    common::Result<void> capture(const Moment& moment) {
        auto picture = m_session->captureFullResolution();
        if (!picture)
            return common::Fault("the lock screen cannot be drawn at this size");
        char name[32];
        std::snprintf(name, sizeof name, "capture-%04d.png", moment.number);
        return writeCapture(*picture, fs::path(m_options.captureFolder) / name);
    }

    common::Result<void> press(LiveKey key) {
        switch (key) {
        case LiveKey::Help:
            m_help = !m_help;
            return {};
        case LiveKey::Pause:
            if (m_pausedAt) {
                m_pausedTotal += m_clock->now() - *m_pausedAt;
                m_pausedAt.reset();
            } else {
                m_pausedAt = m_clock->now();
            }
            return {};
        case LiveKey::Screenshot: {
            auto picture = m_session->captureFullResolution();
            if (!picture)
                return {};
            auto written = writeScreenshot(*picture, m_options.screenshotFolder);
            setStatus(written ? "screenshot: " + written.value() : written.fault().text());
            return {};
        }
        case LiveKey::NextScreen:
            return nextScreen();
        case LiveKey::Reload:
            reload();
            break;
        default:
            break;
        }
        std::vector<std::string> events = eventsForKey(key, m_session->keyContext());
        if (events.empty())
            return {};
        m_session->advanceTo(nextWholeMillisecond(deviceTime()));
        for (const auto& event : events) {
            if (auto played = m_session->play(event); !played)
                return played;
        }
        return {};
    }

    common::Result<void> nextScreen() {
        const auto& screens = m_options.screens;
        platform::CGSize current = m_session->screen();
        auto found = std::find(screens.begin(), screens.end(), current);
        platform::CGSize next =
            found == screens.end() || found + 1 == screens.end() ? screens.front() : *(found + 1);
        // The device starts again on the new screen: a scenario has one screen, so the
        // recording starts again with it.
        m_session->endHere();
        if (!m_options.recordFile.empty())
            std::fprintf(stderr,
                         "velorin-sim: live: on %s the device starts again; the recording starts "
                         "again with it\n",
                         screenText(next).c_str());
        m_window->fitTo(next);
        if (auto started = startSession(next); !started)
            return started;
        // The scenario and its captures were of the first screen.
        m_scriptPlays = false;
        m_nextMoment = m_moments.size();
        setStatus(sequenceState(m_sequence.source(), next, "loaded"));
        return {};
    }

    void reload() {
        if (auto refreshed = m_sequence.refresh(m_watch.check()); !refreshed) {
            setStatus(refreshed.fault().text());
            return;
        }
        setStatus(sequenceState(m_sequence.source(), m_session->screen(), "reloaded"));
    }

    void setStatus(std::string status) {
        if (status == m_status)
            return;
        m_status = std::move(status);
        std::fprintf(stderr, "velorin-sim: live: %s\n", m_status.c_str());
    }

    common::Result<void> showFrame() {
        if (!m_session->drawForDisplay(m_picture))
            return common::Fault("the lock screen cannot be drawn at the window's size");
        std::string line = screenText(m_session->screen()) + (m_pausedAt ? " · paused" : "") +
                           " · " + m_status + " · ? for keys";
        if (!m_window->show(m_picture, line, m_help))
            return common::Fault("cannot draw in the window");
        return {};
    }

    // Ends the trace and writes what was asked for at the end.
    int finish(std::optional<common::Fault> fault) {
        if (m_session && !m_ended)
            m_session->endHere();
        int status = 0;
        if (fault)
            status = report(*fault);
        if (m_session && !m_options.recordFile.empty()) {
            if (auto written = writeRecording(m_options.recordFile, m_session->recording().text());
                !written)
                status = report(written.fault());
        }
        if (m_options.statistics)
            std::fprintf(stderr, "%s\n", m_statistics.summary().c_str());
        m_session.reset();
        m_window.reset();
        if (m_watch.received()) {
            report(
                common::Fault(m_options.recordFile.empty()
                                  ? "interrupted; the window is closed"
                                  : "interrupted; the window is closed and the recording written"));
            return m_watch.exitStatus();
        }
        return status;
    }

    PreviewSequence& m_sequence;
    const LiveOptions& m_options;
    InterruptionWatch& m_watch;
    std::unique_ptr<LiveClock> m_clock;
    std::unique_ptr<LiveWindow> m_window;
    std::unique_ptr<LiveSession> m_session;
    std::unique_ptr<SequenceWatch> m_folderWatch;
    std::vector<Moment> m_moments;
    std::size_t m_nextMoment{0};
    std::size_t m_nextEvent{0};
    bool m_ended{false};
    bool m_scriptPlays{true};
    bool m_help{false};
    std::uint64_t m_origin{0};
    std::uint64_t m_pausedTotal{0};
    std::optional<std::uint64_t> m_pausedAt;
    std::string m_status;
    FramePixels m_picture;
    FrameStatistics m_statistics;
};

} // namespace

int runLiveLoop(PreviewSequence& sequence, const LiveOptions& options, InterruptionWatch& watch) {
    return Loop(sequence, options, watch).run();
}

} // namespace velorin::tools
