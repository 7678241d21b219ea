// Frames from a file FFmpeg reads: MP4/MOV and WebM/MKV video, and single still images (JPEG,
// BMP, TIFF).
//
// The file is opened through FFmpeg's "file" protocol alone and with the demuxer chosen
// beforehand. Opening reads the packets' timestamps without decoding; decoding reads the file
// again from the start, converts the wanted frames to RGBA with libswscale, honouring the
// video's colour matrix and range, and turns (and mirrors) them upright as the video's display
// matrix asks. Audio and other streams are skipped.
#pragma once

#include "tools/import/DemuxerChoice.h"
#include "tools/import/MediaSource.h"

namespace velorin::tools {

sim::Result<std::unique_ptr<MediaSource>> openFfmpegSource(const std::string& path,
                                                           const DemuxerChoice& demuxer,
                                                           const InterruptionCheck& interrupted);

} // namespace velorin::tools
