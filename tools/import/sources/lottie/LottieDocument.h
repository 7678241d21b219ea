// What import needs to know of a Lottie JSON text before rlottie reads it, and why it cannot be
// imported when it cannot.
//
// rlottie says only "no" to a text it cannot read, so the text is first read here with
// nlohmann-json's event reader, which keeps nothing but a few numbers and so takes no memory
// however large the text: a syntax fault is given with its line, column and the reader's
// reason; nesting deeper than `deepestLottieNesting` is refused before rlottie's recursive
// reader meets it; and the members that time and size the animation are checked ("v", "fr",
// "ip", "op", "w", "h", "layers"). An image the animation takes from a file of its own, rather
// than embedded as a "data:" location, is refused: import reads one local file and nothing it
// points to.
#pragma once

#include "common/Result.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace velorin::tools {

inline constexpr std::size_t deepestLottieNesting = 256;
// A Lottie text may be as large as a frame file of a sequence.
inline constexpr std::size_t maximumLottieFileBytes = 64u * 1024 * 1024;

struct LottieTiming {
    double framesPerSecond{0};
    double inPoint{0};
    double outPoint{0};
    std::uint32_t width{0};
    std::uint32_t height{0};
};

// Reads `text` (the file `path`, named in faults) and gives its timing and size, or the fault
// that keeps it from being imported.
common::Result<LottieTiming> inspectLottieText(const std::string& path,
                                               std::span<const std::uint8_t> text);

} // namespace velorin::tools
