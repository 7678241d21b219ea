#include "PngFrameWriting.h"

#include "DisplayTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <zlib.h>

namespace display_testing {

namespace {

void appendBigEndian(Bytes& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendChunk(Bytes& png, const char* type, const Bytes& data) {
    auto chunk = makeChunk(type, data);
    png.insert(png.end(), chunk.begin(), chunk.end());
}

std::uint8_t paeth(int left, int above, int aboveLeft) {
    int estimate = left + above - aboveLeft;
    int toLeft = std::abs(estimate - left);
    int toAbove = std::abs(estimate - above);
    int toAboveLeft = std::abs(estimate - aboveLeft);
    if (toLeft <= toAbove && toLeft <= toAboveLeft)
        return static_cast<std::uint8_t>(left);
    return static_cast<std::uint8_t>(toAbove <= toAboveLeft ? above : aboveLeft);
}

} // namespace

Bytes drawTestFrame(std::uint32_t width, std::uint32_t height, std::uint32_t seed) {
    Bytes rgba(std::size_t{width} * height * 4);
    std::uint32_t noise = seed * 2654435761u + 1;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            std::uint8_t* pixel = rgba.data() + (std::size_t{y} * width + x) * 4;
            double dx = x - width / 2.0;
            double dy = y - height / 2.0;
            double reach = std::sqrt(dx * dx + dy * dy) / (1 + std::max(width, height) / 2.0);
            pixel[0] = static_cast<std::uint8_t>(x * 7 + seed * 13 + (noise >> 30));
            pixel[1] = static_cast<std::uint8_t>(y * 5 + (noise >> 29 & 3));
            pixel[2] = static_cast<std::uint8_t>(255 * reach) ^ static_cast<std::uint8_t>(seed);
            // Opaque inside, fading out, and fully transparent (but coloured) in the corners.
            pixel[3] = static_cast<std::uint8_t>(std::clamp(1.4 - reach * 1.4, 0.0, 1.0) * 255);
        }
    }
    return rgba;
}

Bytes filteredRows(const Bytes& rgba, std::uint32_t width, std::uint32_t height,
                   const FrameLayout& layout) {
    const std::size_t stride = static_cast<std::size_t>(layout.channels);
    const std::size_t rowBytes = width * stride;
    Bytes previous(rowBytes, 0);
    Bytes current(rowBytes);
    Bytes filtered;
    filtered.reserve(height * (rowBytes + 1));
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x)
            for (std::size_t channel = 0; channel < stride; ++channel)
                current[x * stride + channel] = rgba[(std::size_t{y} * width + x) * 4 + channel];
        std::uint8_t filter = layout.filters[y % layout.filters.size()];
        filtered.push_back(filter);
        for (std::size_t index = 0; index < rowBytes; ++index) {
            int left = index >= stride ? current[index - stride] : 0;
            int above = previous[index];
            int aboveLeft = index >= stride ? previous[index - stride] : 0;
            int predicted = 0;
            switch (filter) {
            case 1: predicted = left; break;
            case 2: predicted = above; break;
            case 3: predicted = (left + above) / 2; break;
            case 4: predicted = paeth(left, above, aboveLeft); break;
            default: break;
            }
            filtered.push_back(static_cast<std::uint8_t>(current[index] - predicted));
        }
        std::swap(previous, current);
    }
    return filtered;
}

Bytes compressed(const Bytes& bytes, int level, int windowBits) {
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    Bytes output(deflateBound(&stream, static_cast<uLong>(bytes.size())));
    stream.next_in = const_cast<Bytef*>(bytes.data());
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(output.size());
    int result = deflate(&stream, Z_FINISH);
    output.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        throw std::runtime_error("deflate");
    return output;
}

Bytes pngOfFilteredRows(const Bytes& filtered, std::uint32_t width, std::uint32_t height,
                        const FrameLayout& layout) {
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    header.insert(header.end(), {8, static_cast<std::uint8_t>(layout.channels == 4 ? 6 : 2), 0,
                                 0, 0});
    appendChunk(png, "IHDR", header);
    png.insert(png.end(), layout.before.begin(), layout.before.end());
    Bytes stream = compressed(filtered, layout.level, layout.windowBits);
    std::size_t offset = 0;
    std::size_t chunk = 0;
    do {
        std::size_t size = layout.chunkSizes.empty()
                               ? stream.size()
                               : layout.chunkSizes[std::min(chunk, layout.chunkSizes.size() - 1)];
        // A last size of zero, repeated, would never end: it stands for the rest.
        if (size == 0 && chunk + 1 >= layout.chunkSizes.size())
            size = stream.size() - offset;
        size = std::min(size, stream.size() - offset);
        appendChunk(png, "IDAT", Bytes(stream.begin() + static_cast<long>(offset),
                                       stream.begin() + static_cast<long>(offset + size)));
        offset += size;
        if (chunk++ == 0)
            png.insert(png.end(), layout.between.begin(), layout.between.end());
    } while (offset < stream.size());
    png.insert(png.end(), layout.after.begin(), layout.after.end());
    appendChunk(png, "IEND", {});
    return png;
}

Bytes writeFrame(const Bytes& rgba, std::uint32_t width, std::uint32_t height,
                 const FrameLayout& layout) {
    return pngOfFilteredRows(filteredRows(rgba, width, height, layout), width, height, layout);
}

Bytes expectedPixels(const Bytes& rgba, int channels) {
    Bytes expected = rgba;
    if (channels == 3)
        for (std::size_t index = 3; index < expected.size(); index += 4)
            expected[index] = 0xFF;
    return expected;
}

} // namespace display_testing
