#include "tools/import/sources/SourceHead.h"

#include "tools/import/sources/ffmpeg/FfmpegGuess.h"

#include <string_view>

namespace velorin::tools {

SourceHead SourceHead::folder(std::string path) {
    return SourceHead(std::move(path), nullptr, {});
}

SourceHead SourceHead::file(std::shared_ptr<const SourceFile> file,
                            std::vector<std::uint8_t> bytes) {
    std::string path = file->path();
    return SourceHead(std::move(path), std::move(file), std::move(bytes));
}

const std::optional<std::string>& SourceHead::ffmpegDemuxer() const {
    if (!m_guess)
        m_guess = m_folder ? std::nullopt : guessFfmpegDemuxer(m_path, m_bytes);
    return *m_guess;
}

bool SourceHead::ffmpegGuessIsOneOf(std::initializer_list<const char*> demuxers) const {
    const auto& guess = ffmpegDemuxer();
    if (!guess)
        return false;
    for (const char* demuxer : demuxers) {
        if (*guess == demuxer)
            return true;
    }
    return false;
}

} // namespace velorin::tools
