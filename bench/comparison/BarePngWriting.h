// PNG files written with libpng alone, as a baseline or as generated test material: nothing of
// the project takes part, so what is measured against it shares none of its code.
#pragma once

#include <cstdint>
#include <filesystem>

namespace velorin::bench {

enum class StoredChannels { Rgba, RgbWithoutAlpha };

struct BarePngWriting {
    StoredChannels channels{StoredChannels::Rgba};
    int compressionLevel{6};
    // One of libpng's PNG_FILTER_* masks; zero leaves libpng's own choice.
    int filters{0};
};

// Writes `rgba` (rows of width × 4 bytes) to `path`; throws std::runtime_error on failure.
void writeBarePng(const std::filesystem::path& path, const std::uint8_t* rgba, std::uint32_t width,
                  std::uint32_t height, const BarePngWriting& writing);

} // namespace velorin::bench
