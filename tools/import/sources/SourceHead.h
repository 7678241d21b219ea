// What a source's kind is told by: whether it is a folder, its path, its first bytes and,
// asked for once, FFmpeg's guess at its format. The rows of the format table look at it, and
// a row that opens a file reads the very file its head was read from.
#pragma once

#include "tools/import/sources/SourceFile.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velorin::tools {

class SourceHead {
public:
    static SourceHead folder(std::string path);
    // The head of an open file; `bytes` are its first bytes.
    static SourceHead file(std::shared_ptr<const SourceFile> file, std::vector<std::uint8_t> bytes);

    const std::string& path() const { return m_path; }
    bool isFolder() const { return m_folder; }
    // The open file; none for a folder.
    const std::shared_ptr<const SourceFile>& file() const { return m_file; }
    // The file's first bytes; none for a folder.
    std::span<const std::uint8_t> bytes() const { return m_bytes; }
    // The demuxer FFmpeg would read the file with (see ffmpeg/FfmpegGuess.h), guessed the first
    // time it is asked; none for a folder or a file FFmpeg does not recognise.
    const std::optional<std::string>& ffmpegDemuxer() const;
    // Whether FFmpeg's guess is one of `demuxers`.
    bool ffmpegGuessIsOneOf(std::initializer_list<const char*> demuxers) const;

private:
    SourceHead(std::string path, std::shared_ptr<const SourceFile> file,
               std::vector<std::uint8_t> bytes)
        : m_path(std::move(path)), m_folder(!file), m_file(std::move(file)),
          m_bytes(std::move(bytes)) {}
    std::string m_path;
    bool m_folder;
    std::shared_ptr<const SourceFile> m_file;
    std::vector<std::uint8_t> m_bytes;
    mutable std::optional<std::optional<std::string>> m_guess;
};

} // namespace velorin::tools
