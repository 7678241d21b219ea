#include "tools/import/sources/FrameDelay.h"

namespace velorin::tools {

double frameDelaySeconds(std::uint32_t numerator, std::uint32_t denominator) {
    // Compared as fractions, so that 1/100 s counts as tiny exactly as browsers count it.
    if (std::uint64_t{numerator} * 100 <= denominator)
        return tinyDelayReplacementSeconds;
    return static_cast<double>(numerator) / denominator;
}

} // namespace velorin::tools
