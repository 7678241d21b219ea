#include "tools/import/sources/gif/GifPictureDecoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <gif_lib.h>
#include <memory>
#include <vector>

namespace velorin::tools {

namespace {

constexpr std::size_t headerBytes = 6 + 7 + 10;

// The GIF giflib reads: a made header, then the image's data from the source file, then the
// trailer.
struct PictureStream {
    const SourceFile* file{nullptr};
    std::array<std::uint8_t, headerBytes> header{};
    std::uint64_t dataOffset{0};
    std::uint64_t dataLength{0};
    // Bytes given so far, header included.
    std::uint64_t given{0};

    std::uint64_t total() const { return headerBytes + dataLength + 1; }
    bool dataExhausted() const { return given >= headerBytes + dataLength; }
};

int readPicture(GifFileType* gif, GifByteType* destination, int length) {
    auto* stream = static_cast<PictureStream*>(gif->UserData);
    int done = 0;
    while (done < length && stream->given < stream->total()) {
        std::uint64_t at = stream->given;
        std::size_t count = 0;
        if (at < headerBytes) {
            count = std::min<std::size_t>(headerBytes - at, static_cast<std::size_t>(length - done));
            std::memcpy(destination + done, stream->header.data() + at, count);
        } else if (at < headerBytes + stream->dataLength) {
            std::uint64_t inData = at - headerBytes;
            count = static_cast<std::size_t>(
                std::min<std::uint64_t>(stream->dataLength - inData, length - done));
            std::int64_t read =
                stream->file->readAt(stream->dataOffset + inData, destination + done, count);
            if (read <= 0)
                break;
            count = static_cast<std::size_t>(read);
        } else {
            destination[done] = 0x3b;
            count = 1;
        }
        done += static_cast<int>(count);
        stream->given += count;
    }
    return done;
}

struct GifClose {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using GifHandle = std::unique_ptr<GifFileType, GifClose>;

void putLittleEndian16(std::uint8_t* bytes, std::uint32_t value) {
    bytes[0] = static_cast<std::uint8_t>(value);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

PictureStream streamFor(const SourceFile& file, const GifImage& image) {
    PictureStream stream;
    stream.file = &file;
    std::uint8_t* header = stream.header.data();
    std::memcpy(header, "GIF89a", 6);
    putLittleEndian16(header + 6, image.area.width);
    putLittleEndian16(header + 8, image.area.height);
    header[13] = 0x2c;
    putLittleEndian16(header + 18, image.area.width);
    putLittleEndian16(header + 20, image.area.height);
    header[22] = image.interlaced ? 0x40 : 0;
    stream.dataOffset = image.dataOffset;
    stream.dataLength = image.dataLength;
    return stream;
}

// giflib's faults in this command's words.
std::string describeGifError(int code) {
    switch (code) {
    case D_GIF_ERR_NOT_ENOUGH_MEM:
        return "out of memory";
    case D_GIF_ERR_DATA_TOO_BIG:
        return "its picture data holds more pixels than the frame";
    case D_GIF_ERR_READ_FAILED:
        return "its picture data cannot be read (its code size is out of range, or the file "
               "could not be read)";
    default:
        return "its compressed picture data is damaged";
    }
}

// The row of the image that the `index`th row of data fills.
std::uint32_t imageRow(std::uint32_t index, std::uint32_t height, bool interlaced) {
    if (!interlaced)
        return index;
    // The four passes of an interlaced GIF: every 8th row from 0, every 8th from 4, every 4th
    // from 2, every 2nd from 1.
    static constexpr std::uint32_t starts[4] = {0, 4, 2, 1};
    static constexpr std::uint32_t steps[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        std::uint32_t rows =
            height > starts[pass] ? (height - starts[pass] + steps[pass] - 1) / steps[pass] : 0;
        if (index < rows)
            return starts[pass] + index * steps[pass];
        index -= rows;
    }
    return height;
}

struct OpenedPicture {
    PictureStream stream;
    GifHandle gif;
};

common::Result<void> openPicture(OpenedPicture& opened) {
    int error = 0;
    opened.gif.reset(DGifOpen(&opened.stream, readPicture, &error));
    if (!opened.gif)
        return common::Fault{describeGifError(error)};
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(opened.gif.get(), &record) == GIF_ERROR ||
        DGifGetImageDesc(opened.gif.get()) == GIF_ERROR)
        return common::Fault{opened.stream.dataExhausted() ? "it holds no picture data"
                                                           : describeGifError(opened.gif->Error)};
    return {};
}

// Whether a fault from giflib means only that the data ended before the image was full.
bool endedEarly(const OpenedPicture& opened) {
    return opened.gif->Error == D_GIF_ERR_EOF_TOO_SOON || opened.stream.dataExhausted();
}

// Decodes row `failedIndex` again, pixel by pixel, to give the pixels it holds before the data
// ends; rows before it are decoded again and passed over.
common::Result<void> salvageRow(const SourceFile& file, const GifImage& image,
                                std::uint32_t failedIndex, const GifRowSink& sink) {
    OpenedPicture opened{streamFor(file, image), nullptr};
    if (auto result = openPicture(opened); !result)
        return {};
    std::vector<GifPixelType> row(image.area.width);
    for (std::uint32_t index = 0; index < failedIndex; ++index) {
        if (DGifGetLine(opened.gif.get(), row.data(), static_cast<int>(row.size())) == GIF_ERROR)
            return {};
    }
    std::uint32_t count = 0;
    while (count < image.area.width &&
           DGifGetLine(opened.gif.get(), row.data() + count, 1) != GIF_ERROR)
        ++count;
    if (count > 0)
        sink(imageRow(failedIndex, image.area.height, image.interlaced), row.data(), count);
    return {};
}

} // namespace

common::Result<void> decodeGifPicture(const SourceFile& file, const GifImage& image,
                                      const GifRowSink& sink) {
    if (image.area.width == 0 || image.area.height == 0)
        return {};
    OpenedPicture opened{streamFor(file, image), nullptr};
    TRY(openPicture(opened));
    std::vector<GifPixelType> row(image.area.width);
    for (std::uint32_t index = 0; index < image.area.height; ++index) {
        if (DGifGetLine(opened.gif.get(), row.data(), static_cast<int>(row.size())) == GIF_ERROR) {
            if (!endedEarly(opened))
                return common::Fault{describeGifError(opened.gif->Error)};
            return salvageRow(file, image, index, sink);
        }
        sink(imageRow(index, image.area.height, image.interlaced), row.data(), image.area.width);
    }
    return {};
}

} // namespace velorin::tools
