// Holds the PNG decoder's fast path against libpng on every input, as a frame file downloaded
// with a sequence. Whatever the bytes, the fast path must either hand the file over or give
// exactly libpng's pixels, with every unfilter kernel this processor runs, and never crash or
// read out of bounds; and it must not take a file that libpng refuses.
//
// Each input is tried three ways: as it is; with the CRC of every whole chunk mended, so that
// mutations reach the header and the image data behind the checksums; and as the rows of an
// image of its own, built from the input's bytes (a few for the size, colour type, level and
// chunk size, the rest as filtered rows, filter bytes included), compressed and wrapped in
// well-formed chunks, so that mutations reach the unfiltering too.
//
// One difference is let through, and only when zlib itself refuses the stream: libdeflate
// decodes a Huffman code of one codeword (or none) whichever bit the stream uses for it, where
// zlib takes only '0'. The decoder's fast path documents this leniency.
#include "fuzz/PngChunks.h"
#include "platform/display/PngDecoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>
#include <zlib.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

using fuzzing::pngSignatureLength;
using fuzzing::readBigEndian;

void appendBigEndian(Bytes& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendChunk(Bytes& png, const char* type, const std::uint8_t* data, std::size_t length) {
    appendBigEndian(png, static_cast<std::uint32_t>(length));
    std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data, data + length);
    appendBigEndian(png, static_cast<std::uint32_t>(
                             crc32(0, png.data() + start, static_cast<uInt>(4 + length))));
}

// The image data of the file's chunks run together; a file the fast path took has them all.
Bytes joinedImageData(std::span<const std::uint8_t> bytes) {
    Bytes joined;
    std::size_t offset = pngSignatureLength;
    while (bytes.size() - offset >= 12) {
        std::size_t length = readBigEndian(bytes.data() + offset);
        if (length > bytes.size() - offset - 12)
            break;
        if (std::memcmp(bytes.data() + offset + 4, "IDAT", 4) == 0)
            joined.insert(joined.end(), bytes.data() + offset + 8,
                          bytes.data() + offset + 8 + length);
        offset += 12 + length;
    }
    return joined;
}

// Whether zlib refuses the stream that libdeflate inflated: the one leniency let through.
bool zlibRefusesTheImageData(std::span<const std::uint8_t> bytes, std::size_t inflatedBytes) {
    Bytes stream = joinedImageData(bytes);
    Bytes output(inflatedBytes + 1);
    z_stream inflater{};
    if (inflateInit(&inflater) != Z_OK)
        std::abort();
    inflater.next_in = stream.data();
    inflater.avail_in = static_cast<uInt>(stream.size());
    inflater.next_out = output.data();
    inflater.avail_out = static_cast<uInt>(output.size());
    int result = inflate(&inflater, Z_FINISH);
    inflateEnd(&inflater);
    return result == Z_DATA_ERROR;
}

void decodeBothWays(std::span<const std::uint8_t> bytes) {
    auto reference = platform::decodePngWithLibpng(bytes);
    for (auto kernel : platform::png::availableUnfilterKernels()) {
        auto fast = platform::decodePngWithFastPath(bytes, kernel);
        if (!fast)
            continue;
        if (!reference) {
            std::size_t filtered = std::size_t{fast->size.height} * (fast->size.width * 4 + 1);
            if (zlibRefusesTheImageData(bytes, filtered))
                continue;
            std::abort();
        }
        if (fast->size.width != reference->size.width ||
            fast->size.height != reference->size.height || fast->pixels != reference->pixels)
            std::abort();
    }
}

// An image of the input's own: width, height, colour type, level and chunk size from its first
// five bytes, the rest repeated as its filtered rows.
Bytes imageOfTheInput(std::span<const std::uint8_t> bytes) {
    std::uint32_t width = 1 + bytes[0] % 48;
    std::uint32_t height = 1 + bytes[1] % 24;
    bool alpha = (bytes[2] & 1) != 0;
    int level = bytes[3] % 10;
    std::size_t chunkSize = bytes[4] == 0 ? 0 : std::size_t{bytes[4]} * 3;
    auto rows = bytes.subspan(5);
    std::size_t rowBytes = width * (alpha ? 4 : 3) + 1;
    Bytes filtered(rowBytes * height);
    for (std::size_t index = 0; index < filtered.size(); ++index)
        filtered[index] = rows[index % rows.size()];

    Bytes stream(compressBound(static_cast<uLong>(filtered.size())));
    uLongf streamBytes = stream.size();
    if (compress2(stream.data(), &streamBytes, filtered.data(),
                  static_cast<uLong>(filtered.size()), level) != Z_OK)
        std::abort();
    stream.resize(streamBytes);

    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    header.insert(header.end(), {8, static_cast<std::uint8_t>(alpha ? 6 : 2), 0, 0, 0});
    appendChunk(png, "IHDR", header.data(), header.size());
    std::size_t offset = 0;
    do {
        std::size_t length = chunkSize == 0 ? stream.size() : std::min(chunkSize, stream.size() - offset);
        appendChunk(png, "IDAT", stream.data() + offset, length);
        offset += length;
    } while (offset < stream.size());
    appendChunk(png, "IEND", nullptr, 0);
    return png;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> bytes(data, size);
    decodeBothWays(bytes);
    if (size > pngSignatureLength)
        decodeBothWays(fuzzing::withChecksumsMended(bytes));
    if (size > 5)
        decodeBothWays(imageOfTheInput(bytes));
    return 0;
}
