// The setjmp that catches libpng's errors sits in a function whose frame holds only trivial
// values, so that no jump skips a destructor; the file is closed and removed by the caller.
#include "tools/preview/FramePng.h"

#include <csetjmp>
#include <cstdio>
#include <png.h>

namespace velorin::tools {

namespace {

[[noreturn]] void failQuietly(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {
}

// libpng's output buffer: one write to the file for many of libpng's small ones.
constexpr std::size_t fileBufferBytes = 256 * 1024;

bool writeRows(png_structp png, png_infop info, std::FILE* file, const FramePixels* picture) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, picture->width, picture->height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_write_info(png, info);
    // The rows are RGBA; libpng leaves out the fourth byte of each pixel as it writes.
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    std::size_t rowBytes = std::size_t{picture->width} * 4;
    for (std::uint32_t row = 0; row < picture->height; ++row)
        png_write_row(png, picture->rgba.data() + row * rowBytes);
    png_write_end(png, nullptr);
    return true;
}

bool writeTo(std::FILE* file, const FramePixels& picture) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, ignoreWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    bool written = info && writeRows(png, info, file, &picture);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return written;
}

} // namespace

bool writeFramePng(const FramePixels& picture, const std::string& path) {
    if (picture.width == 0 || picture.height == 0 ||
        picture.rgba.size() != std::size_t{picture.width} * picture.height * 4)
        return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    std::setvbuf(file, nullptr, _IOFBF, fileBufferBytes);
    bool written = writeTo(file, picture);
    written = std::fclose(file) == 0 && written;
    if (!written)
        std::remove(path.c_str());
    return written;
}

} // namespace velorin::tools
