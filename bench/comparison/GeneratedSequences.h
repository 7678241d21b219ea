// The sequences the comparison loads: frames of the kind charging sequences are made of (a
// soft-edged gradient disc, a ring of dots turning around it and a highlight moving over it,
// RGBA with transparency around the disc), written with libpng at zlib level 6, so that they
// compress to between 5 and 17 % of their decoded size as drawn frames do.
//
// They are drawn once into a scratch folder laid out as a device root, and kept there for the
// next run: a sequence whose folder is complete is not drawn again. Nothing here is committed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velorin::bench {

struct SequenceShape {
    int frameCount;
    std::uint32_t side;
    // "120x600".
    std::string name() const;
    std::size_t decodedBytes() const {
        return static_cast<std::size_t>(frameCount) * side * side * 4;
    }
};

// The straight RGBA pixels of frame `frame` of such a sequence.
std::vector<std::uint8_t> drawFrame(std::uint32_t side, int frame, int frameCount);

// The folder of a sequence under a device root, as a device path and as a path here.
std::string sequenceDevicePath(const SequenceShape& shape);

// Draws the sequence under `root` unless it is there already; gives its frame files in playing
// order.
std::vector<std::filesystem::path> makeSequence(const std::filesystem::path& root,
                                                const SequenceShape& shape);

} // namespace velorin::bench
