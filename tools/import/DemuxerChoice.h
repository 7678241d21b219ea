// Which FFmpeg demuxer may read a file, chosen from the file's first bytes.
//
// FFmpeg can read far more than frames: playlists and concatenation lists that open other
// files or network addresses, devices, streams. Import lets FFmpeg guess the format from the
// bytes, then takes the guess only when it is on a short allow-list of containers that hold
// pictures: the MP4/MOV family, Matroska/WebM and single still images (JPEG, BMP, TIFF). The
// file is then opened with exactly that demuxer, so FFmpeg never probes further on its own.
// GIF, PNG and WebP never come here: import reads them with readers of their own.
#pragma once

#include "sim/Result.h"

#include <cstdint>
#include <span>
#include <string>

namespace velorin::tools {

enum class ContainerKind { Video, StillImage };

struct DemuxerChoice {
    ContainerKind kind{ContainerKind::StillImage};
    // The demuxer's name as FFmpeg gives it ("mov,mp4,m4a,3gp,3g2,mj2").
    std::string name;
};

// `path` names the file in messages; `head` is its first bytes (up to a megabyte is plenty).
sim::Result<DemuxerChoice> chooseDemuxer(const std::string& path,
                                         std::span<const std::uint8_t> head);

} // namespace velorin::tools
