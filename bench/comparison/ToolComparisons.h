// velorin-sim timed whole, as a user runs it: `check` on 100,000 names with distinct and with
// velorin-sim timed whole, as a user runs it: `check` on 100,000 names with distinct and with
// equal ordering keys, `list` of a 10,000-frame sequence against a bare read of its headers, the
// default `preview` against libpng writing the same frames, a `run` of one showing against a
// bare one-thread libpng program decoding the same files, and `import` of H.264 clips against
// FFmpeg's own command writing frames of the same size.
#pragma once

#include "bench/comparison/GeneratedSequences.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace velorin::bench {

struct Programs {
    std::string velorinSim;
    std::string bareDecode;
    // The bundled sample root the preview plays from.
    std::string sampleRoot;
};

struct CheckFigures {
    std::size_t names{0};
    double distinctKeys{0};
    double equalKeys{0};
};

// Folders of empty frame files: names like "frames000001.png" (a prefix of six, every key its
// own) and like "a1.png", "a10.png", "a11.png"... (a prefix of one, every key 1).
CheckFigures compareCheck(const std::filesystem::path& scratch, const Programs& programs,
                          int rounds);

struct ListFigures {
    std::size_t frames{0};
    // Median wall and processor seconds.
    double list{0};
    double bareHeaders{0};
    double listProcessor{0};
    double bareHeadersProcessor{0};
};

// A root whose one sequence has 10,000 real frames (one small PNG, copied), listed whole,
// against a bare one-thread program reading each frame's header (velorin_bare_headers, beside
// velorin_bare_decode).
ListFigures compareList(const std::filesystem::path& scratch, const Programs& programs,
                        int rounds);

struct PreviewFigures {
    int frames{0};
    double shownSeconds{0};
    double preview{0};
    // The same preview with looping on, so that the animation plays all through the 8 s and
    // few frames repeat the one before.
    double loopingPreview{0};
    // libpng writing the preview's frames again, at the preview's level and filter, on one
    // thread.
    double libpngWriting{0};
    std::size_t frameBytes{0};
};

PreviewFigures comparePreview(const std::filesystem::path& scratch, const Programs& programs,
                              int rounds);

// A program timed whole: its median wall and processor seconds, and its peak resident memory.
struct ProgramFigures {
    double seconds{0};
    double processorSeconds{0};
    std::size_t peakResidentBytes{0};
};

struct RunFigures {
    ProgramFigures run;
    ProgramFigures bareDecode;
};

// A scenario that plugs the charger once, with looping off, on the sequence under `root`.
RunFigures compareRun(const std::filesystem::path& scratch, const std::filesystem::path& root,
                      const SequenceShape& shape, const Programs& programs, int rounds);

struct ImportClip {
    std::string name;
    std::uint32_t width{0};
    std::uint32_t height{0};
    int seconds{0};
};

struct ImportFigures {
    // The size of the frames both write.
    std::uint32_t frameWidth{0};
    std::uint32_t frameHeight{0};
    int frames{0};
    ProgramFigures import;
    ProgramFigures ffmpeg;
};

// The clip made once with FFmpeg's command (a moving test picture, H.264 at 30 frames a second)
// and kept in `scratch`; none when the `ffmpeg` program is missing.
std::optional<std::filesystem::path> makeClip(const std::filesystem::path& scratch,
                                              const ImportClip& clip);

// `velorin-sim import CLIP` with its defaults, against `ffmpeg -i CLIP -vf scale=W:H
// frame%04d.png` at the size of import's frames.
ImportFigures compareImport(const std::filesystem::path& scratch, const std::filesystem::path& clip,
                            const Programs& programs, int rounds);

// The peak resident memory of one `velorin-sim import CLIP` with its defaults.
std::size_t importPeakResidentBytes(const std::filesystem::path& scratch,
                                    const std::filesystem::path& clip, const Programs& programs);

} // namespace velorin::bench
