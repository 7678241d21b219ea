// Mends the checksums of a mutated PNG's chunks, for the fuzz programs that read PNG: the
// readers check every chunk's CRC, so without this nearly every mutation of a chunk's contents
// would be refused before its data is looked at.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace velorin::fuzzing {

inline constexpr std::size_t pngSignatureLength = 8;

// The bytes with the CRC of every whole chunk recomputed, from the first chunk on, as long as
// each lies wholly within the bytes.
std::vector<std::uint8_t> withChecksumsMended(std::span<const std::uint8_t> bytes);

} // namespace velorin::fuzzing
