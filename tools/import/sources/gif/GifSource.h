// Frames from a GIF file, composed on one canvas as browsers show them.
//
// GifBlocks walks the file's blocks and GifPictureDecoder has giflib decode each image's
// pixels; here they are put together following GIF89a as browsers read it:
// - the canvas is the logical screen, grown to hold the first image where that image reaches
//   past it (as Chromium does), and starts transparent: the background colour is not painted;
// - every later image is clipped to the canvas, which keeps the earlier picture around it;
// - an image without a colour table of its own or a global one is drawn with every entry
//   opaque black, and indices past a colour table's end are opaque black as well;
// - the transparent index leaves the pixel under it; disposal 2 ("restore to background")
//   clears the image's area to transparent, 3 and 4 give back what the area held before the
//   image, and 0, 1 and 5 to 7 leave the image in place;
// - interlaced images are put in their real row order;
// - each image is a frame, lasting its delay under the rule of FrameDelay (no delay at all
//   counts as 0).
// A file cut short, or one whose blocks break off, gives its whole frames and says what was
// lost; an image whose data is damaged is a fault naming the frame.
#pragma once

#include "tools/import/MediaSource.h"
#include "tools/import/sources/SourceFile.h"

#include <span>

namespace velorin::tools {

// Whether the bytes begin like a GIF ("GIF87a" or "GIF89a").
bool looksLikeGif(std::span<const std::uint8_t> head);

// Reads the open file `file`; the path form opens it first (see SourceFile.h).
common::Result<std::unique_ptr<MediaSource>>
openGifSource(std::shared_ptr<const SourceFile> file, const InterruptionCheck& interrupted);
common::Result<std::unique_ptr<MediaSource>> openGifSource(const std::string& path,
                                                           const InterruptionCheck& interrupted);

} // namespace velorin::tools
