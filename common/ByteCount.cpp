#include "common/ByteCount.h"

#include <cmath>
#include <cstdio>

namespace velorin::common {

std::string describeByteCount(std::uint64_t bytes) {
    constexpr std::uint64_t kibibyte = 1024;
    struct Unit {
        std::uint64_t size;
        const char* name;
    };
    for (Unit unit : {Unit{kibibyte * kibibyte * kibibyte * kibibyte, "TiB"},
                      Unit{kibibyte * kibibyte * kibibyte, "GiB"}, Unit{kibibyte * kibibyte, "MiB"},
                      Unit{kibibyte, "KiB"}}) {
        if (bytes < unit.size)
            continue;
        double value = static_cast<double>(bytes) / static_cast<double>(unit.size);
        char text[48];
        if (bytes % unit.size == 0)
            std::snprintf(text, sizeof text, "%.0f %s", value, unit.name);
        else
            std::snprintf(text, sizeof text, "%.1f %s", std::floor(value * 10) / 10, unit.name);
        return text;
    }
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

std::string describeByteCountOver(std::uint64_t bytes, std::uint64_t limit) {
    // Within a tenth of the limit, rounding could make the two read alike.
    if (bytes <= limit || bytes - limit >= limit / 10 + 1)
        return describeByteCount(bytes);
    return describeByteCount(limit) + " + " + describeByteCount(bytes - limit);
}

} // namespace velorin::common
