// The 32-byte trailer that ends a binary property list: the widths of its offsets and
// references, the number of objects, the top object and where the offset table starts. Read
// as it stands; what makes a trailer acceptable is each reader's own rule.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace platform {

struct BinaryPropertyListTrailer {
    static constexpr std::size_t headerLength = 8;
    static constexpr std::size_t length = 32;

    unsigned offsetWidth{0};
    unsigned referenceWidth{0};
    std::uint64_t objectCount{0};
    std::uint64_t top{0};
    std::uint64_t table{0};
    // Where the trailer starts: the end of the offset table at the latest.
    std::uint64_t start{0};

    // None when the bytes are too few for a header and a trailer.
    static std::optional<BinaryPropertyListTrailer> read(std::span<const std::uint8_t> bytes) {
        if (bytes.size() < headerLength + length)
            return std::nullopt;
        BinaryPropertyListTrailer trailer;
        trailer.start = bytes.size() - length;
        auto number = [&bytes, &trailer](std::uint64_t at) {
            std::uint64_t value = 0;
            for (std::uint64_t index = 0; index < 8; ++index)
                value = (value << 8) | bytes[trailer.start + at + index];
            return value;
        };
        trailer.offsetWidth = bytes[trailer.start + 6];
        trailer.referenceWidth = bytes[trailer.start + 7];
        trailer.objectCount = number(8);
        trailer.top = number(16);
        trailer.table = number(24);
        return trailer;
    }
};

} // namespace platform
