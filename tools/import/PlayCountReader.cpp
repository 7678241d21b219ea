#include "tools/import/PlayCountReader.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace velorin::tools {

namespace {

constexpr std::uint8_t gifExtension = 0x21;
constexpr std::uint8_t gifApplicationLabel = 0xff;
constexpr std::uint8_t gifImageDescriptor = 0x2c;
constexpr std::uint8_t gifTrailer = 0x3b;
constexpr std::size_t gifHeaderAndScreen = 13;

std::size_t colorTableBytes(std::uint8_t packed) {
    return (packed & 0x80) ? 3u << ((packed & 7) + 1) : 0;
}

// Reads one GIF extension's sub-blocks from `at`; gives the position after them, or none when
// the data ends first. `first` receives the first sub-block, `second` the next one.
std::optional<std::size_t> skipSubBlocks(std::span<const std::uint8_t> data, std::size_t at,
                                         std::span<const std::uint8_t>* first = nullptr,
                                         std::span<const std::uint8_t>* second = nullptr) {
    int index = 0;
    while (at < data.size()) {
        std::size_t size = data[at++];
        if (size == 0)
            return at;
        if (data.size() - at < size)
            return std::nullopt;
        if (index == 0 && first)
            *first = data.subspan(at, size);
        if (index == 1 && second)
            *second = data.subspan(at, size);
        at += size;
        ++index;
    }
    return std::nullopt;
}

} // namespace

PlayCount gifPlayCount(std::span<const std::uint8_t> head) {
    if (head.size() < gifHeaderAndScreen || std::memcmp(head.data(), "GIF8", 4) != 0)
        return std::nullopt;
    std::size_t at = gifHeaderAndScreen + colorTableBytes(head[10]);
    while (at < head.size()) {
        std::uint8_t block = head[at++];
        if (block == gifImageDescriptor || block == gifTrailer)
            break;
        if (block != gifExtension || at >= head.size())
            return std::nullopt;
        std::uint8_t label = head[at++];
        std::span<const std::uint8_t> identifier;
        std::span<const std::uint8_t> data;
        auto next = skipSubBlocks(head, at, &identifier, &data);
        if (!next)
            break;
        at = *next;
        std::string_view name(reinterpret_cast<const char*>(identifier.data()), identifier.size());
        if (label == gifApplicationLabel && (name == "NETSCAPE2.0" || name == "ANIMEXTS1.0") &&
            data.size() >= 3 && data[0] == 1) {
            int loops = data[1] | data[2] << 8;
            return loops == 0 ? playsForever : loops + 1;
        }
    }
    return 1;
}

} // namespace velorin::tools
