// The contact sheet of a preview: a grid of evenly spaced frames, scaled down, each with its
// time beneath it and what happened then ("0.00 s · charger in", "4.00 s · showing ends"), so
// that a whole showing can be taken in at a glance. A showing that plays once is sampled up to
// its end, not through the empty screen after it; showings that repeat are sampled through the
// whole preview, with a panel at each restart.
//
// The sheet picks its frames before the recording starts and keeps only their scaled-down
// copies, so a long preview costs no more memory than a short one. Frames are expected to be
// opaque, as the rendered lock screen is.
#pragma once

#include "platform/display/Image.h"
#include "tools/lockscreen/FramePixels.h"
#include "tools/preview/PreviewRecorder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velorin::tools {

class ContactSheet {
public:
    // With tiles for the frames `tiles` (ascending) of `frameWidth` × `frameHeight` pixels, and
    // `title` above them when it is not empty.
    ContactSheet(std::vector<int> tiles, std::uint32_t frameWidth, std::uint32_t frameHeight,
                 std::string title = {});
    // The sheet of a preview: its showing sampled as the settings' looping says, titled with
    // their sheet title.
    static ContactSheet forPreview(const PreviewSettings& settings);

    // Whether frame `index` (from 0) is one of the tiles.
    bool wants(int index) const;
    // Keeps a scaled-down copy of the frame if it is one of the tiles, labelled with its time
    // and `events`.
    void add(int index, double seconds, const std::string& events, const FramePixels& frame);
    // The sheet of the tiles added so far, in the order of their frames; none when it
    // cannot be made.
    platform::Ref<platform::CGImage> assemble() const;

    // The frames that become tiles: at most twelve, evenly spaced from the first frame to
    // `lastFrame`, both among them, and each of `eventFrames` up to `lastFrame` in place of the
    // tile nearest to it.
    static std::vector<int> chooseTiles(int lastFrame, const std::vector<int>& eventFrames = {});

private:
    struct Tile {
        int index;
        std::string label;
        platform::Ref<platform::CGImage> image;
    };
    std::vector<int> m_wanted;
    std::string m_title;
    std::uint32_t m_tileWidth;
    std::uint32_t m_tileHeight;
    std::vector<Tile> m_tiles;
};

// Sheets placed side by side, left to right, top-aligned on the sheets' own background; none
// when there are none or the result would be too large.
platform::Ref<platform::CGImage>
placeSideBySide(const std::vector<platform::Ref<platform::CGImage>>& sheets);

// Scales an image down (or keeps its size) by averaging the pixels each target pixel covers.
platform::Ref<platform::CGImage> scaleDown(const FramePixels& image, std::uint32_t width,
                                           std::uint32_t height);

} // namespace velorin::tools
