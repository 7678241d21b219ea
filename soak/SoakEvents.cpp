#include "soak/SoakEvents.h"

#include "common/QuoteText.h"
#include "settings/Settings.h"
#include "sim/HostSetup.h"
#include "sim/Trace.h"

#include <array>
#include <cmath>
#include <utility>

namespace velorin::soak {

namespace {

struct KindWeight {
    SoakEventKind kind;
    unsigned weight;
};

// How often each event comes, relative to the others. Power changes are the extension's
// main trigger and waking its second, so they come most; file edits are rare, as on a device.
constexpr std::array kindWeights{
    KindWeight{SoakEventKind::Plug, 8},
    KindWeight{SoakEventKind::Unplug, 8},
    KindWeight{SoakEventKind::Lock, 8},
    KindWeight{SoakEventKind::Unlock, 7},
    KindWeight{SoakEventKind::Present, 5},
    KindWeight{SoakEventKind::Wake, 10},
    KindWeight{SoakEventKind::WakeNotWaking, 2},
    KindWeight{SoakEventKind::Dim, 5},
    KindWeight{SoakEventKind::Sleep, 4},
    KindWeight{SoakEventKind::ShowChargingView, 2},
    KindWeight{SoakEventKind::HideChargingView, 2},
    KindWeight{SoakEventKind::ChangeSetting, 9},
    KindWeight{SoakEventKind::Notify, 2},
    KindWeight{SoakEventKind::ChooseSequence, 4},
    KindWeight{SoakEventKind::SwapSequenceFolders, 1},
    KindWeight{SoakEventKind::AddFrame, 3},
    KindWeight{SoakEventKind::RemoveFrame, 3},
};

constexpr std::array switchKeys{loopPreferenceKey, noSleepPreferenceKey, showOnWakePreferenceKey,
                                hideBatteryPreferenceKey, enabledPreferenceKey};

constexpr std::uint64_t millisecond = sim::nanosecondsPerSecond / 1000;
constexpr std::uint64_t minute = 60 * sim::nanosecondsPerSecond;
constexpr std::uint64_t hour = 60 * minute;

const char* kindName(SoakEventKind kind) {
    switch (kind) {
    case SoakEventKind::Plug:
        return "plug";
    case SoakEventKind::Unplug:
        return "unplug";
    case SoakEventKind::Lock:
        return "lock";
    case SoakEventKind::Unlock:
        return "unlock";
    case SoakEventKind::Present:
        return "present";
    case SoakEventKind::Wake:
        return "wake";
    case SoakEventKind::WakeNotWaking:
        return "wake nowaking";
    case SoakEventKind::Dim:
        return "dim";
    case SoakEventKind::Sleep:
        return "sleep";
    case SoakEventKind::ShowChargingView:
        return "chargingview show";
    case SoakEventKind::HideChargingView:
        return "chargingview hide";
    case SoakEventKind::ChangeSetting:
        return "setting";
    case SoakEventKind::Notify:
        return "notify";
    case SoakEventKind::ChooseSequence:
        return "choose sequence";
    case SoakEventKind::SwapSequenceFolders:
        return "swap sequence folders";
    case SoakEventKind::AddFrame:
        return "add frame";
    case SoakEventKind::RemoveFrame:
        return "remove frame";
    }
    return "?";
}

std::string describeValue(const platform::PropertyValue& value) {
    switch (value.kind) {
    case platform::PropertyKind::Boolean:
        return std::get<bool>(value.value) ? "true" : "false";
    case platform::PropertyKind::Integer:
        return std::to_string(std::get<std::int64_t>(value.value));
    case platform::PropertyKind::Real:
        return sim::formatNumber(std::get<double>(value.value));
    case platform::PropertyKind::String:
        return common::quoteText(*value.stringValue());
    default:
        return "(other)";
    }
}

} // namespace

std::string describe(const SoakEvent& event) {
    std::string text = kindName(event.kind);
    switch (event.kind) {
    case SoakEventKind::ChangeSetting:
    case SoakEventKind::ChooseSequence:
        text += " " + event.key + " " + (event.value ? describeValue(*event.value) : "unset");
        if (event.announcement == Announcement::Silent)
            text += " (not announced)";
        break;
    case SoakEventKind::SwapSequenceFolders:
        text += " " + event.sequence + " " + event.otherSequence;
        break;
    case SoakEventKind::AddFrame:
        text += " " + event.sequence + " number=" + std::to_string(event.pick) +
                " size=" + std::to_string(event.width) + "x" + std::to_string(event.height);
        break;
    case SoakEventKind::RemoveFrame:
        text += " " + event.sequence + " pick=" + std::to_string(event.pick);
        break;
    default:
        break;
    }
    return text;
}

SoakEventSource::SoakEventSource(std::uint64_t seed, std::vector<std::string> sequenceNames)
    : m_random(seed), m_sequenceNames(std::move(sequenceNames)) {
}

// Plain arithmetic on the generator's output, rather than the library's distributions, whose
// results may differ between standard libraries: a seed must name the same run everywhere.
std::uint64_t SoakEventSource::below(std::uint64_t bound) {
    return bound == 0 ? 0 : m_random() % bound;
}

double SoakEventSource::unit() {
    return static_cast<double>(m_random() >> 11) * 0x1.0p-53;
}

bool SoakEventSource::chance(double probability) {
    return unit() < probability;
}

std::uint64_t SoakEventSource::gap(const sim::DeviceState& device) {
    // Spread evenly over the logarithm, so that each span gets events at every scale.
    auto between = [this](std::uint64_t low, std::uint64_t high) {
        double logLow = std::log(static_cast<double>(low));
        double logHigh = std::log(static_cast<double>(high));
        return static_cast<std::uint64_t>(std::exp(logLow + unit() * (logHigh - logLow)));
    };
    double draw = unit();
    if (draw < 0.7)
        return between(50 * millisecond, 20 * sim::nanosecondsPerSecond);
    if (device.onPower)
        return between(20 * sim::nanosecondsPerSecond, 3 * minute);
    if (draw < 0.99)
        return between(20 * sim::nanosecondsPerSecond, 10 * minute);
    return between(10 * minute, 6 * hour);
}

SoakEventKind SoakEventSource::kind(const sim::DeviceState& device) {
    unsigned total = 0;
    for (const KindWeight& entry : kindWeights)
        total += entry.weight;
    auto draw = static_cast<unsigned>(below(total));
    SoakEventKind chosen = SoakEventKind::Present;
    for (const KindWeight& entry : kindWeights) {
        if (draw < entry.weight) {
            chosen = entry.kind;
            break;
        }
        draw -= entry.weight;
    }
    // A charger mostly goes in when it is out and out when it is in; now and then the host
    // reports a change of power source that changes nothing, as a flaky cable does.
    if ((chosen == SoakEventKind::Plug || chosen == SoakEventKind::Unplug) && chance(0.9))
        chosen = device.onPower ? SoakEventKind::Unplug : SoakEventKind::Plug;
    return chosen;
}

platform::PropertyValue SoakEventSource::switchValue() {
    // Mostly proper booleans, sometimes the other kinds a hand-edited domain may hold.
    switch (below(8)) {
    case 0:
        return platform::PropertyValue::integer(static_cast<std::int64_t>(below(3)));
    case 1:
        return platform::PropertyValue::string(chance(0.5) ? "YES" : "no");
    default:
        return platform::PropertyValue::boolean(chance(0.5));
    }
}

void SoakEventSource::fillSetting(SoakEvent& event) {
    event.key = switchKeys[below(switchKeys.size())];
    if (chance(0.1))
        return;
    // The extension does nothing while disabled, so the soak keeps it mostly enabled.
    if (event.key == enabledPreferenceKey)
        event.value = platform::PropertyValue::boolean(!chance(0.15));
    else
        event.value = switchValue();
}

SoakEvent SoakEventSource::next(const sim::DeviceState& device) {
    SoakEvent event;
    event.gap = gap(device);
    event.kind = kind(device);
    const std::string& sequence = m_sequenceNames[below(m_sequenceNames.size())];
    switch (event.kind) {
    case SoakEventKind::ChangeSetting:
        fillSetting(event);
        event.announcement = chance(0.85) ? Announcement::Announced : Announcement::Silent;
        break;
    case SoakEventKind::ChooseSequence:
        event.key = sequenceNamePreferenceKey;
        event.value = platform::PropertyValue::string(chance(0.1) ? "missing" : sequence);
        break;
    case SoakEventKind::SwapSequenceFolders:
        event.sequence = sequence;
        event.otherSequence = m_sequenceNames[below(m_sequenceNames.size())];
        break;
    case SoakEventKind::AddFrame:
        event.sequence = sequence;
        event.pick = static_cast<std::uint32_t>(below(100));
        event.width = static_cast<std::uint32_t>(8 + below(233));
        event.height = static_cast<std::uint32_t>(8 + below(233));
        event.colour = static_cast<std::uint32_t>(m_random());
        break;
    case SoakEventKind::RemoveFrame:
        event.sequence = sequence;
        event.pick = static_cast<std::uint32_t>(m_random());
        break;
    default:
        break;
    }
    return event;
}

} // namespace velorin::soak
