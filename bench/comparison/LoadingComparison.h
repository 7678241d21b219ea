// One showing's loading of a sequence by the project, against bare libpng and zlib on the same
// files.
//
// The project's figure is one call of `AnimatedImageView::startAnimating` on a view whose
// folder is the sequence: list, order, read, decode and keep every frame, as every showing
// does afresh (nothing is cached between showings); and the same with the PNG decoder's fast
// path turned off, so that libpng decodes every frame. The baselines read the same files, in the
// same order, into buffers they keep: libpng's simplified API on one thread and on as many
// threads as the project decodes with, and zlib inflating each file's image data (its IDAT
// chunks, taken from the files beforehand) as the floor under any PNG decoder. Every variant on
// one thread runs held to one processor, the project included, which then decodes on that
// thread alone.
#pragma once

#include "bench/comparison/GeneratedSequences.h"

#include <cstddef>
#include <filesystem>
#include <vector>

namespace velorin::bench {

// The medians of one variant: wall and processor seconds.
struct VariantFigures {
    double seconds{0};
    double processorSeconds{0};
};

struct LoadingFigures {
    std::size_t threads{1};
    VariantFigures project;
    // The project in a process (thread) that may use one processor only.
    VariantFigures projectOneThread;
    // The same with the PNG decoder's fast path turned off: libpng decodes every frame.
    VariantFigures projectLibpngOneThread;
    VariantFigures libpngOneThread;
    VariantFigures libpngSameThreads;
    VariantFigures zlibOneThread;
    VariantFigures zlibSameThreads;
    // The decoded bytes the showing held at its peak, by the platform's count, and the frames
    // it kept.
    std::size_t peakDecodedBytes{0};
    std::size_t framesKept{0};
};

// Times every variant in `rounds` interleaved rounds. The device root must already be set to
// `root`.
LoadingFigures compareLoading(const SequenceShape& shape,
                              const std::vector<std::filesystem::path>& files, int rounds);

// One showing of the sequence in this process, which should do nothing else: the growth of its
// peak resident memory during the call, in bytes.
std::size_t residentGrowthOfOneShowing(const std::filesystem::path& root,
                                       const SequenceShape& shape);

} // namespace velorin::bench
