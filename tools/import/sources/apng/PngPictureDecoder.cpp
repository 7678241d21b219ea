// libpng reports errors by longjmp back to a setjmp in its caller. Each setjmp here sits in a
// small function whose frame, like the frames of the callbacks, holds only trivial values;
// everything that owns memory lives in decodePngPicture, above the jump targets.
#include "tools/import/sources/apng/PngPictureDecoder.h"

#include "platform/display/PngExpansion.h"
#include "tools/import/MediaSource.h"

#include <csetjmp>
#include <cstring>
#include <png.h>

namespace velorin::tools {

namespace {

// A display's gamma, as browsers assume it when they honour a gAMA chunk.
constexpr double displayGamma = 2.2;
constexpr png_alloc_size_t chunkAllocationLimit = 8u * 1024 * 1024;

struct ReadContext {
    PngByteSource* source;
    char message[200];
};

void readFromSource(png_structp png, png_bytep destination, std::size_t length) {
    auto* context = static_cast<ReadContext*>(png_get_io_ptr(png));
    if (context->source->read(destination, length) != length)
        png_error(png, "the data ends before the picture is whole");
}

[[noreturn]] void keepMessage(png_structp png, png_const_charp message) {
    auto* context = static_cast<ReadContext*>(png_get_error_ptr(png));
    std::strncpy(context->message, message, sizeof context->message - 1);
    context->message[sizeof context->message - 1] = '\0';
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {
}

struct PictureFacts {
    png_uint_32 width;
    png_uint_32 height;
    std::size_t rowBytes;
};

bool readHeader(png_structp png, png_infop info, PictureFacts* facts) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    double fileGamma = 0;
    if (png_get_valid(png, info, PNG_INFO_gAMA) && !png_get_valid(png, info, PNG_INFO_sRGB) &&
        png_get_gAMA(png, info, &fileGamma) && fileGamma > 0)
        png_set_gamma(png, displayGamma, fileGamma);
    platform::expandPngToRgba8(png, info);
    png_read_update_info(png, info);
    facts->width = png_get_image_width(png, info);
    facts->height = png_get_image_height(png, info);
    facts->rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool readRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    return true;
}

class ReadStructures {
public:
    explicit ReadStructures(ReadContext& context) {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, keepMessage, ignoreWarning);
        if (png)
            info = png_create_info_struct(png);
    }
    ~ReadStructures() {
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
    ReadStructures(const ReadStructures&) = delete;
    ReadStructures& operator=(const ReadStructures&) = delete;

    png_structp png{nullptr};
    png_infop info{nullptr};
};

// libpng's own words, which name the fault in the data, as a detail of ours.
common::Fault dataFault(const ReadContext& context) {
    return common::Fault{std::string("its picture data cannot be decoded (") + context.message +
                         ")"};
}

} // namespace

common::Result<void> decodePngPicture(PngByteSource& source, std::uint32_t width,
                                      std::uint32_t height, std::vector<std::uint8_t>& pixels) {
    ReadContext context{&source, "no reason given"};
    ReadStructures structures(context);
    if (!structures.info)
        return common::Fault{"out of memory"};
    png_set_read_fn(structures.png, &context, readFromSource);
    png_set_user_limits(structures.png, maximumCanvasSide, maximumCanvasSide);
    png_set_chunk_malloc_max(structures.png, chunkAllocationLimit);
    png_set_crc_action(structures.png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    PictureFacts facts{};
    if (!readHeader(structures.png, structures.info, &facts))
        return dataFault(context);
    if (facts.width != width || facts.height != height ||
        facts.rowBytes != std::size_t{width} * 4)
        return common::Fault{"its picture is not the size its frame gives"};
    pixels.resize(std::size_t{width} * height * 4);
    std::vector<png_bytep> rows(height);
    for (std::size_t row = 0; row < height; ++row)
        rows[row] = pixels.data() + row * std::size_t{width} * 4;
    if (!readRows(structures.png, rows.data()))
        return dataFault(context);
    return {};
}

} // namespace velorin::tools
