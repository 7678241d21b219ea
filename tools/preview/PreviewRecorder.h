// Records a preview: runs the real extension in a simulated host shell and renders the lock
// screen at evenly spaced moments.
//
// The host starts enabled, locked and lit, with the chosen sequence, even when the root's
// preferences turn the extension off (the pictures are then marked so); at time zero it
// launches, presents its page and is plugged into the charger, and the frames follow from
// there. The device root's other preferences (looping, hiding the host's charging view, ...)
// apply as they would on a device.
#pragma once

#include "common/Result.h"
#include "platform/display/Geometry.h"
#include "tools/lockscreen/FramePixels.h"
#include "tools/lockscreen/LockScreenPicture.h"
#include "tools/preview/PreviewSequence.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velorin::tools {

// Whether a showing starts again when it ends, as the root's loopbatteryanimation says.
enum class Looping { Once, Repeats };

// Whether each picture is marked as showing what the device, with the extension off, does not.
enum class ExtensionMark { None, ExtensionOff };

struct PreviewSettings {
    // The screen in points, and pixels per point.
    platform::CGSize screen{390, 844};
    double scale{2};
    double seconds{8};
    double framesPerSecond{30};
    // The lock screen's pieces and what its clock and date say, or a bare wallpaper.
    LockScreenDress dress;
    ExtensionMark mark{ExtensionMark::None};
    // What the contact sheet samples: one showing, or the whole preview when they repeat.
    Looping looping{Looping::Once};
    // Set above the contact sheet when several screens are placed side by side.
    std::string sheetTitle;

    // Seconds times frames a second, rounded: the first frame is at time zero and the last
    // one frame's length before the end.
    int frameCount() const;
    // The moment frame `index` shows, in nanoseconds of the host's clock.
    std::uint64_t frameNanoseconds(int index) const;
    // The pixel size of a frame.
    std::uint32_t pixelWidth() const;
    std::uint32_t pixelHeight() const;
};

struct RecordedFrame {
    int index;
    double seconds;
    // What the showing did since the frame before, in the words a person uses: "charger in",
    // "showing ends", "restart"; empty when nothing happened.
    std::string events;
    // Shared, so that the sink may keep the picture for encoding on other threads.
    std::shared_ptr<const FramePixels> picture;
};

// The moments the contact sheet gives a panel to: the frames from the first to
// `lastSampledFrame`, which is the end of the first showing when it plays once (the screen is
// then empty) and the whole preview when it repeats; and `eventFrames`, the first frame at or
// after each moment a showing ends or starts again.
struct ShowingPlan {
    int lastSampledFrame{0};
    std::vector<int> eventFrames;
};
ShowingPlan planShowings(const PreviewSettings& settings, Looping looping);

// Takes each frame as it is rendered; a fault stops the recording.
using FrameSink = std::function<common::Result<void>(const RecordedFrame&)>;

// Plays the sequence and hands every frame to `sink`, in order. A fault when the extension
// library is missing or does not load, when a frame cannot be rendered, or when the sink
// gives one.
common::Result<void> recordPreview(const PreviewSequence& sequence, const PreviewSettings& settings,
                                   const FrameSink& sink);

} // namespace velorin::tools
