#include "bench/comparison/BarePngWriting.h"

#include <cstdio>
#include <png.h>
#include <stdexcept>

namespace velorin::bench {

void writeBarePng(const std::filesystem::path& path, const std::uint8_t* rgba, std::uint32_t width,
                  std::uint32_t height, const BarePngWriting& writing) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        throw std::runtime_error("cannot encode " + path.string());
    }
    png_init_io(png, file);
    const bool withAlpha = writing.channels == StoredChannels::Rgba;
    png_set_IHDR(png, info, width, height, 8,
                 withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, writing.compressionLevel);
    if (writing.filters != 0)
        png_set_filter(png, PNG_FILTER_TYPE_BASE, writing.filters);
    png_write_info(png, info);
    // Rows stay RGBA in memory; libpng drops the fourth byte of each pixel when storing RGB.
    if (!withAlpha)
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (png_uint_32 row = 0; row < height; ++row)
        png_write_row(png, rgba + std::size_t{row} * width * 4);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

} // namespace velorin::bench
