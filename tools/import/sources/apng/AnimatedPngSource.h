// Frames from a PNG file, animated or still, as browsers show them.
//
// ApngLayout reads and checks the chunks; each frame's data is then handed to libpng as a PNG
// of its own (the file's header with the frame's size, its palette, transparency and gamma
// chunks, and the frame's fdAT data as IDAT), and the decoded frames are composed on one
// canvas following the animated PNG format:
// - the canvas starts transparent; a frame is laid over it (blend "over") or replaces the
//   area it covers (blend "source"); on the first frame both give the frame itself;
// - after a frame is shown its area is left, cleared to transparent ("background"), or given
//   back what it held before ("previous"); "previous" on the first frame clears, as the format
//   says;
// - delays are numerator / denominator seconds, a denominator of 0 meaning hundredths, under
//   the tiny-delay rule of FrameDelay.
// An invalid animation shows the still default image with a note saying why; a file cut short
// gives its whole frames and says what was lost.
#pragma once

#include "tools/import/MediaSource.h"
#include "tools/import/sources/SourceFile.h"

#include <span>

namespace velorin::tools {

// Reads the open file `file`; the path form opens it first (see SourceFile.h).
common::Result<std::unique_ptr<MediaSource>>
openAnimatedPngSource(std::shared_ptr<const SourceFile> file, const InterruptionCheck& interrupted);
common::Result<std::unique_ptr<MediaSource>>
openAnimatedPngSource(const std::string& path, const InterruptionCheck& interrupted);

} // namespace velorin::tools
