// Feeds arbitrary bytes to the options-file reader as a sequence's options.json, for two
// container sizes (a phone's portrait screen and an empty container, where the centring and
// far-edge formulas divide and subtract from zero). The reader must fall back to its defaults
// on anything it cannot use; the sanitizers report any out-of-range read, overflow or leak.
#include "sequences/SequencePlacement.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> bytes(data, size);
    velorin::computePlacement(bytes, 320.0, 568.0);
    velorin::computePlacement(bytes, 0.0, 0.0);
    return 0;
}
