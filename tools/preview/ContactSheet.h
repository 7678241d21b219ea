// The contact sheet of a preview: a grid of evenly spaced frames, scaled down, each with its
// time beneath it ("1.50 s"), so that a whole run can be taken in at a glance.
//
// The sheet picks its frames before the recording starts and keeps only their scaled-down
// copies, so a long preview costs no more memory than a short one. Frames are expected to be
// opaque, as the rendered lock screen is.
#pragma once

#include "platform/display/Image.h"
#include "tools/lockscreen/FramePixels.h"

#include <cstdint>
#include <vector>

namespace velorin::tools {

class ContactSheet {
public:
    // For a recording of `frameCount` frames of `frameWidth` × `frameHeight` pixels.
    ContactSheet(int frameCount, std::uint32_t frameWidth, std::uint32_t frameHeight);

    // Whether frame `index` (from 0) is one of the tiles.
    bool wants(int index) const;
    // Keeps a scaled-down copy of the frame if it is one of the tiles.
    void add(int index, double seconds, const FramePixels& frame);
    // The sheet of the tiles added so far, in the order of their frames; none when it
    // cannot be made.
    platform::Ref<platform::CGImage> assemble() const;

    // The frames that become tiles: at most twelve, the first and the last among them.
    static std::vector<int> chooseTiles(int frameCount);

private:
    struct Tile {
        int index;
        double seconds;
        platform::Ref<platform::CGImage> image;
    };
    std::vector<int> m_wanted;
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
