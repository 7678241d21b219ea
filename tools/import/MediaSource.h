// A source of frames for import: an animated image, a video, a still image or a folder of
// frames, opened from a local path.
//
// Opening a source reads how its frames are timed without decoding them: every frame's start
// and length in seconds, the source's length, its upright canvas size and how often it says it
// plays. Decoding then hands the frames over one by one, in the order they are shown, as
// full-canvas straight RGBA; the consumer says which frames it wants, so that frames nobody
// shows are not converted, and none is kept after the next one arrives. Canvases are bounded
// (`maximumCanvasSide` a side, `maximumCanvasPixels` in all), so one source never holds more
// than a few canvases of memory however long it is.
#pragma once

#include "common/Interruption.h"
#include "common/Result.h"
#include "tools/import/FrameBox.h"
#include "tools/import/FrameRotation.h"
#include "tools/import/RunPlan.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velorin::tools {

inline constexpr std::uint32_t maximumCanvasSide = 8192;
inline constexpr std::uint64_t maximumCanvasPixels = 8192ull * 4608;
// More frames than a source of any sensible length has; the timings of this many take 16 MB.
inline constexpr std::size_t maximumSourceFrames = 1000000;

enum class SourceKind { Gif, AnimatedPng, AnimatedWebp, Video, StillImage, Folder, VectorAnimation };

struct FrameTiming {
    double start{0};
    double duration{0};
};

// What a file that ends before its last frame is whole has lost. The source's frames are then
// the whole ones, which are all it decodes.
struct LostFrames {
    // Where the file ends, as the user's words for it: "it is cut short in frame 8".
    std::string where;
    // The frames lost and the seconds they would have lasted; "at least" where the file no
    // longer tells how many followed or how long they lasted.
    std::size_t frames{0};
    bool atLeastFrames{false};
    double seconds{0};
    bool atLeastSeconds{false};
};

struct SourceDescription {
    SourceKind kind{SourceKind::StillImage};
    // What read it, for the report: "gif", "mov,mp4,m4a,3gp,3g2,mj2", "webp", "folder".
    std::string formatName;
    // The upright canvas, after any turn the source asks for.
    std::uint32_t width{0};
    std::uint32_t height{0};
    // In the order they are shown; starts from 0.
    std::vector<FrameTiming> frames;
    // From the first frame's start to the last one's end.
    double lengthSeconds{0};
    PlayCount plays;
    bool audioIgnored{false};
    // How the frames are turned and mirrored to stand upright.
    FrameOrientation orientation;
    // Things the report should say about reading the source.
    std::vector<std::string> notes;
    // Set when the file is cut short (or breaks off) before its last frame.
    std::optional<LostFrames> lostFrames;

    bool singleFrame() const { return frames.size() <= 1 || !(lengthSeconds > 0); }
};

struct CanvasFrame {
    std::size_t index{0};
    double start{0};
    double duration{0};
    std::uint32_t width{0};
    std::uint32_t height{0};
    // width × height straight RGBA, rows top to bottom.
    std::vector<std::uint8_t> pixels;
};

class FrameConsumer {
public:
    virtual ~FrameConsumer() = default;
    // Asked before each frame is read; a fault (an interruption, say) stops the decoding.
    virtual common::Result<void> poll() { return {}; }
    // Whether the frame shown from `start` until `end` seconds is wanted.
    virtual bool wants(double start, double end) const = 0;
    virtual common::Result<void> take(const CanvasFrame& frame) = 0;
    // True once the consumer needs no more frames: decoding stops there, without a fault.
    virtual bool finished() const { return false; }
    // The size the frames are written at, when the consumer knows it, and how they are brought
    // to it. A source drawn from vectors draws its frames at this size instead of its own, and a
    // video's opaque frames are scaled straight to it as they are converted, so that none is
    // converted at full size and resized again; a frame of another size is resized by the
    // consumer.
    virtual std::optional<PixelSize> drawingSize() const { return std::nullopt; }
    // None while the consumer has yet to see a frame at its own size to choose the filter by
    // (pixel art is enlarged without smoothing): a source then hands over that frame unscaled.
    virtual std::optional<ResizeFilter> resizeFilter() const { return ResizeFilter::Smooth; }
};

class MediaSource {
public:
    virtual ~MediaSource() = default;
    const SourceDescription& description() const { return m_description; }
    // Decodes the source from its start, once. A fault names the file and what went wrong.
    virtual common::Result<void> decode(FrameConsumer& consumer) = 0;

protected:
    SourceDescription m_description;
};

// How a folder's frames are timed: each shown for 1/rate seconds, or all of them together for
// the total length when one is given.
struct FolderTiming {
    double framesPerSecond{30};
    std::optional<double> totalSeconds;
};

// A long scan can be cut short: `interrupted` is asked between packets.
using InterruptionCheck = common::InterruptionCheck;

// Opens a local file or folder with the row of the format table that recognises it
// (tools/import/sources/SourceFormats.h). URLs, playlists, concatenation lists and formats that
// are not made of frames this import reads are refused with a message naming the file.
common::Result<std::unique_ptr<MediaSource>> openMediaSource(const std::string& path,
                                                             const FolderTiming& folderTiming,
                                                             const InterruptionCheck& interrupted);

// Whether `text` looks like a URL ("scheme:..."), which import never opens.
bool looksLikeUrl(const std::string& text);

// Checks a canvas size against the bounds above: a fault naming `file` when it passes them,
// about the canvas or, when `what` says so ("a frame "), about a part of it.
common::Result<void> checkCanvasSize(const std::string& file, std::uint64_t width,
                                     std::uint64_t height, std::string_view what = {});
// The refusal of a canvas past the bounds, its sides written as the source gives them.
common::Fault canvasTooLarge(const std::string& file, std::string_view width,
                             std::string_view height, std::string_view what = {});
// The bound in words: "import reads: at most 8192 pixels a side and 37 million pixels in all".
std::string canvasBound();

} // namespace velorin::tools
