#include "DisplayTestSupport.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace display_testing {

std::uint32_t crc32Of(const std::uint8_t* bytes, std::size_t length) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t index = 0; index < length; ++index) {
        crc ^= bytes[index];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

namespace {

std::uint32_t readBigEndian(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return (std::uint32_t{bytes[offset]} << 24) | (std::uint32_t{bytes[offset + 1]} << 16) |
           (std::uint32_t{bytes[offset + 2]} << 8) | bytes[offset + 3];
}

void writeBigEndian(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    for (int index = 0; index < 4; ++index)
        bytes[offset + static_cast<std::size_t>(index)] =
            static_cast<std::uint8_t>(value >> (24 - 8 * index));
}

} // namespace

std::size_t chunkOffset(const std::vector<std::uint8_t>& png, const char* type) {
    std::size_t offset = 8;
    while (offset + 12 <= png.size()) {
        std::uint32_t length = readBigEndian(png, offset);
        if (std::memcmp(png.data() + offset + 4, type, 4) == 0)
            return offset;
        offset += 12 + std::size_t{length};
    }
    return 0;
}

std::vector<std::uint8_t> makeChunk(const char* type, const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> chunk(12 + data.size());
    writeBigEndian(chunk, 0, static_cast<std::uint32_t>(data.size()));
    std::memcpy(chunk.data() + 4, type, 4);
    std::copy(data.begin(), data.end(), chunk.begin() + 8);
    writeBigEndian(chunk, 8 + data.size(), crc32Of(chunk.data() + 4, 4 + data.size()));
    return chunk;
}

void refreshCrc(std::vector<std::uint8_t>& png, std::size_t offset) {
    std::uint32_t length = readBigEndian(png, offset);
    writeBigEndian(png, offset + 8 + length, crc32Of(png.data() + offset + 4, 4 + length));
}

std::vector<std::uint8_t> readTestFile(const std::string& name) {
    std::ifstream file(std::string(VELORIN_TEST_DATA_DIR) + "/platform/display/data/" + name,
                       std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace display_testing
