// Frames from a file FFmpeg reads, for the kinds of source that go through it: MP4/MOV and
// WebM/MKV video, and single still images (JPEG, BMP, TIFF). GIF, PNG and WebP never come here:
// import reads them with readers of their own.
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

// Opens `path` as a source of `kind`, read with FFmpeg's demuxer `demuxer`. Neither a video nor
// a still image says how often it plays.
common::Result<std::unique_ptr<MediaSource>> openFfmpegSource(const std::string& path,
                                                              SourceKind kind,
                                                              const std::string& demuxer,
                                                              const InterruptionCheck& interrupted);

} // namespace velorin::tools
