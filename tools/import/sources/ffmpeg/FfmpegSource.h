// Frames from a file FFmpeg reads, for the kinds of source that go through it: GIF (with its
// disposal and transparency), animated PNG, MP4/MOV and WebM/MKV video, and single still images.
//
// The file is opened through FFmpeg's "file" protocol alone and with the demuxer its kind's
// row chose (see FfmpegGuess.h), so FFmpeg never probes further on its own. Opening reads the
// packets' timestamps without decoding; decoding reads the file again from the start, converts
// the wanted frames to RGBA with libswscale, honouring the video's colour matrix and range, and
// turns (and mirrors) them upright as the video's display matrix asks. Audio and other streams
// are skipped.
#pragma once

#include "tools/import/MediaSource.h"

#include <string>

namespace velorin::tools {

// Opens `path` as a source of `kind`, read with FFmpeg's demuxer `demuxer`; `plays` is how
// often the file says it plays, read by the kind's own row.
common::Result<std::unique_ptr<MediaSource>>
openFfmpegSource(const std::string& path, SourceKind kind, const std::string& demuxer,
                 PlayCount plays, const InterruptionCheck& interrupted);

} // namespace velorin::tools
