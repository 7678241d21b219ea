#include "soak/Soak.h"

#include "platform/MainQueue.h"
#include "platform/display/Image.h"
#include "sim/SimulatedHost.h"
#include "soak/ShowingEndWatch.h"
#include "soak/SoakDeviceRoot.h"
#include "soak/SoakEvents.h"

#include <cmath>
#include <memory>

namespace velorin::soak {

namespace {

constexpr std::uint64_t nanosecondsPerDay = 86'400 * sim::nanosecondsPerSecond;

class SoakRun {
public:
    SoakRun(const SoakOptions& options, const SoakProgress& progress)
        : m_options(options), m_progress(progress) {}

    common::Result<SoakReport> run();

private:
    bool check();
    bool advanceTo(std::uint64_t time);
    common::Result<void> play(const SoakEvent& event);
    void reportDays();
    void gatherFigures();
    void keep(std::string_view line);
    std::vector<std::string> recentTrace() const;

    const SoakOptions& m_options;
    const SoakProgress& m_progress;
    std::unique_ptr<SoakDeviceRoot> m_root;
    LiveObjects m_alreadyAlive;
    ShowingEndWatch m_watch;
    SoakReport m_report;
    std::uint64_t m_eventNumber{0};
    std::string m_lastEvent{"launch"};
    std::uint64_t m_daysReported{0};
    // The last trace lines, in a ring, for the report of a breach.
    static constexpr std::size_t keptLines = 60;
    std::vector<std::string> m_lastLines;
    std::size_t m_nextLine{0};
    // Last, so that it goes first: its trace reaches the members above until it is gone.
    std::unique_ptr<sim::SimulatedHost> m_host;
};

common::Result<SoakReport> SoakRun::run() {
    auto root = TRY(SoakDeviceRoot::copy(m_options.deviceRoot, m_options.interrupted));
    m_root = std::move(root);
    std::vector<std::string> sequences = m_root->sequenceNames();
    if (sequences.empty())
        sequences.push_back("missing");
    SoakEventSource source(m_options.seed, sequences);
    auto endTime = static_cast<std::uint64_t>(std::llround(m_options.days * nanosecondsPerDay));

    platform::resetPeakImageBytes();
    m_alreadyAlive = LiveObjects::now();
    auto host = sim::SimulatedHost::start(
        sim::HostSetup{}, sim::HostEnvironment{m_root->path(), m_options.extensionLibrary},
        [this](std::string_view line) {
            m_watch.hear(platform::MainQueue::shared().now(), line);
            keep(line);
        });
    if (!host)
        return host.fault();
    m_host = std::move(host).value();
    TRY(m_host->launch());
    bool holding = check();
    while (holding) {
        if (common::isInterrupted(m_options.interrupted))
            return common::interruptionFault();
        SoakEvent event = source.next(m_host->device());
        if (m_host->now() + event.gap > endTime) {
            holding = advanceTo(endTime);
            break;
        }
        holding = advanceTo(m_host->now() + event.gap);
        if (!holding)
            break;
        ++m_eventNumber;
        m_lastEvent = describe(event);
        TRY(play(event));
        holding = check();
        reportDays();
    }
    gatherFigures();
    m_host.reset();
    if (holding) {
        if (auto breach = checkNothingLeft(m_alreadyAlive))
            m_report.breach = SoakBreach{*breach, m_eventNumber, endTime, "teardown", {}};
    }
    return m_report;
}

bool SoakRun::check() {
    std::optional<InvariantBreach> breach = m_watch.takeBreach();
    // A replacement that drops the host's backlight request holds the screen awake; asking
    // for the backlight the screen already has shows it without changing the device.
    if (!breach && !m_host->device().onPower &&
        m_host->requestUnchangedBacklight() == sim::HookOutcome::Dropped)
        breach = InvariantBreach{Invariant::KeepAwakeOnlyOnPower,
                                 "the host's backlight request was dropped off power"};
    if (!breach)
        breach = m_watch.takeBreach();
    // The running showing may hold its view off the page until its end; after an end has
    // acted, or with no end to come, nothing may be off the page.
    bool endActed = m_watch.takeEndActed();
    OffPageObjects offPage = !endActed && m_watch.isEndPending(m_host->now())
                                 ? OffPageObjects::Allowed
                                 : OffPageObjects::Forbidden;
    if (!breach)
        breach = checkPage(*m_host->page(), m_alreadyAlive, offPage);
    if (!breach)
        return true;
    m_report.breach = SoakBreach{*breach, m_eventNumber, m_host->now(), m_lastEvent, recentTrace()};
    return false;
}

bool SoakRun::advanceTo(std::uint64_t time) {
    // One step per due time, so that what each block of the queue leaves behind is checked.
    platform::MainQueue& queue = platform::MainQueue::shared();
    for (std::uint64_t next = queue.nextDueTime(); next <= time; next = queue.nextDueTime()) {
        m_host->advanceTo(next);
        if (!check())
            return false;
    }
    m_host->advanceTo(time);
    return true;
}

common::Result<void> SoakRun::play(const SoakEvent& event) {
    sim::SimulatedHost& host = *m_host;
    switch (event.kind) {
    case SoakEventKind::Plug:
        host.plug();
        break;
    case SoakEventKind::Unplug:
        host.unplug();
        break;
    case SoakEventKind::Lock:
        host.lock();
        break;
    case SoakEventKind::Unlock:
        host.unlock();
        break;
    case SoakEventKind::Present:
        host.present();
        break;
    case SoakEventKind::Wake:
        host.wake(sim::WakeKind::Waking);
        break;
    case SoakEventKind::WakeNotWaking:
        host.wake(sim::WakeKind::NotWaking);
        break;
    case SoakEventKind::Dim:
        host.dim();
        break;
    case SoakEventKind::Sleep:
        host.sleep();
        break;
    case SoakEventKind::ShowChargingView:
        host.showChargingView();
        break;
    case SoakEventKind::HideChargingView:
        host.hideChargingView();
        break;
    case SoakEventKind::ChangeSetting:
    case SoakEventKind::ChooseSequence: {
        auto edited = event.value ? host.setPreference(event.key, *event.value)
                                  : host.unsetPreference(event.key);
        if (!edited)
            return edited;
        if (event.announcement == Announcement::Announced)
            host.notifyPreferencesChanged();
        break;
    }
    case SoakEventKind::Notify:
        host.notifyPreferencesChanged();
        break;
    case SoakEventKind::SwapSequenceFolders:
        m_root->swapFolders(event.sequence, event.otherSequence);
        break;
    case SoakEventKind::AddFrame:
        m_root->addFrame(event.sequence, event.pick, event.width, event.height, event.colour);
        break;
    case SoakEventKind::RemoveFrame:
        m_root->removeFrame(event.sequence, event.pick);
        break;
    }
    return {};
}

void SoakRun::keep(std::string_view line) {
    if (m_lastLines.size() < keptLines)
        m_lastLines.emplace_back(line);
    else
        m_lastLines[m_nextLine].assign(line);
    m_nextLine = (m_nextLine + 1) % keptLines;
}

std::vector<std::string> SoakRun::recentTrace() const {
    if (m_lastLines.size() < keptLines)
        return m_lastLines;
    std::vector<std::string> lines(m_lastLines.begin() + static_cast<std::ptrdiff_t>(m_nextLine),
                                   m_lastLines.end());
    lines.insert(lines.end(), m_lastLines.begin(),
                 m_lastLines.begin() + static_cast<std::ptrdiff_t>(m_nextLine));
    return lines;
}

void SoakRun::gatherFigures() {
    m_report.events = m_eventNumber;
    m_report.showings = m_watch.showingsStarted();
    m_report.animatedViews = m_watch.animationsStarted();
    m_report.endsActed = m_watch.endsActed();
    m_report.peakDecodedBytes = platform::imageStatistics().peakBytes;
    m_report.virtualTime = m_host->now();
}

void SoakRun::reportDays() {
    if (!m_progress)
        return;
    while (m_host->now() >= (m_daysReported + 1) * nanosecondsPerDay) {
        ++m_daysReported;
        gatherFigures();
        m_progress(m_daysReported, m_report);
    }
}

} // namespace

common::Result<SoakReport> runSoak(const SoakOptions& options, const SoakProgress& progress) {
    SoakRun run(options, progress);
    return run.run();
}

} // namespace velorin::soak
