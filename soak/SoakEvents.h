// The soak's host events: a seeded source of random but repeatable events, each with the
// stretch of virtual time that passes before it.
//
// The source knows only what a user would: whether the device is on power, and
// the sequence names that were there at the start. It never looks at the extension. Events
// that change files carry random numbers rather than file names, and the edit picks the file
// from what is in the folder when it runs, so that one seed always gives the same run. Gaps
// run from a fraction of a second (events inside one showing, where showings overlap) to
// hours off power (nights); on power they stay under three minutes, since every four seconds
// on power may be a showing that decodes a whole sequence, and thirty days must cost minutes.
#pragma once

#include "platform/PropertyValue.h"
#include "sim/DeviceState.h"

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace velorin::soak {

enum class SoakEventKind {
    Plug,
    Unplug,
    Lock,
    Unlock,
    Present,
    Wake,
    WakeNotWaking,
    Dim,
    Sleep,
    ShowChargingView,
    HideChargingView,
    // Sets or unsets one preference key, then usually announces it.
    ChangeSetting,
    Notify,
    // Chooses another sequence by name (now and then one that does not exist) and announces it.
    ChooseSequence,
    // Exchanges the folders of two sequences on the device.
    SwapSequenceFolders,
    AddFrame,
    RemoveFrame,
};

enum class Announcement { Announced, Silent };

struct SoakEvent {
    SoakEventKind kind{SoakEventKind::Present};
    // Virtual time that passes before the event, in nanoseconds.
    std::uint64_t gap{0};
    // ChangeSetting and ChooseSequence: the key, and the value (none unsets the key).
    std::string key;
    std::optional<platform::PropertyValue> value;
    Announcement announcement{Announcement::Announced};
    // ChooseSequence, SwapSequenceFolders, AddFrame, RemoveFrame: the sequences concerned.
    std::string sequence;
    std::string otherSequence;
    // AddFrame: the frame's number and size; RemoveFrame: picks the frame among those present.
    std::uint32_t pick{0};
    std::uint32_t width{0};
    std::uint32_t height{0};
    std::uint32_t colour{0};
};

// One line naming the event and its arguments, for reports.
std::string describe(const SoakEvent& event);

class SoakEventSource {
public:
    // `sequenceNames` are the sequences of the device root; there must be at least one.
    SoakEventSource(std::uint64_t seed, std::vector<std::string> sequenceNames);

    SoakEvent next(const sim::DeviceState& device);

private:
    std::uint64_t below(std::uint64_t bound);
    double unit();
    bool chance(double probability);
    std::uint64_t gap(const sim::DeviceState& device);
    SoakEventKind kind(const sim::DeviceState& device);
    platform::PropertyValue switchValue();
    void fillSetting(SoakEvent& event);

    std::mt19937_64 m_random;
    std::vector<std::string> m_sequenceNames;
};

} // namespace velorin::soak
