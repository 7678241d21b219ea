// Frames from a file FFmpeg reads, for the kinds of source that go through it: MP4/MOV and
// WebM/MKV video, and single still images (JPEG, BMP, TIFF). GIF, PNG and WebP never come here:
// import reads them with readers of their own.
//
// FFmpeg reads the file import opened and checked (see SourceFile.h), through read and seek
// callbacks on it, with the demuxer its kind's row chose (see FfmpegGuess.h): it opens no file
// and no protocol of its own, and never probes further on its own. Opening reads the
// packets' timestamps without decoding; decoding reads the file again from the start, converts
// only the wanted frames to RGBA with libswscale, honouring the video's colour matrix and range,
// straight to the size the consumer writes them at when they are opaque (see
// FrameConsumer::drawingSize), and turns (and mirrors) them upright as the video's display
// matrix asks. It decodes on FFmpeg's own threads. Audio and other streams
// are skipped.
#pragma once

#include "tools/import/MediaSource.h"
#include "tools/import/sources/SourceFile.h"

#include <string>

namespace velorin::tools {

// Reads `file` as a source of `kind`, with FFmpeg's demuxer `demuxer`. Neither a video nor a
// still image says how often it plays.
common::Result<std::unique_ptr<MediaSource>>
openFfmpegSource(std::shared_ptr<const SourceFile> file, SourceKind kind,
                 const std::string& demuxer, const InterruptionCheck& interrupted);

} // namespace velorin::tools
