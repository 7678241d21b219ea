// FFmpeg's guess at a file's format from its first bytes.
//
// FFmpeg can read far more than frames: playlists and concatenation lists that open other
// files or network addresses, devices, streams. So FFmpeg only guesses the format here; the
// rows of the format table (SourceFormats.h) take a guess only when it is a container of
// pictures they read, and the file is then opened with exactly that demuxer.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace velorin::tools {

// Playlists and concatenation lists, named by their look whatever FFmpeg would make of them.
inline constexpr const char* playlistDemuxer = "hls";
// The other playlist FFmpeg reads, known by FFmpeg's guess alone.
inline constexpr const char* dashPlaylistDemuxer = "dash";
inline constexpr const char* concatenationDemuxer = "concat";

// The name of the demuxer FFmpeg would read the file with ("gif", "mov,mp4,m4a,3gp,3g2,mj2"),
// from `head`, the file's first bytes (up to a megabyte is plenty), and its name in `path`;
// none when FFmpeg recognises nothing.
std::optional<std::string> guessFfmpegDemuxer(const std::string& path,
                                              std::span<const std::uint8_t> head);

} // namespace velorin::tools
