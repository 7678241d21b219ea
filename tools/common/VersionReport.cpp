#include "tools/common/VersionReport.h"

#include "sim/ExtensionLoader.h"

#include <CLI/Version.hpp>
#include <SDL.h>
#include <archive.h>
#include <cairo.h>
#include <filesystem>
#include <gif_lib.h>
#include <nlohmann/json.hpp>
#include <pango/pango.h>
#include <png.h>
#include <sstream>
#include <webp/encode.h>
#include <zlib.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswscale/swscale.h>
#include <pixman.h>
}

namespace velorin::tools {

namespace {

// FFmpeg and libwebp give their versions as packed integers.
std::string packedVersion(unsigned packed, int majorShift, int minorShift) {
    return std::to_string((packed >> majorShift) & 0xFF) + "." +
           std::to_string((packed >> minorShift) & 0xFF) + "." + std::to_string(packed & 0xFF);
}

std::string ffmpegVersion(unsigned packed) {
    return packedVersion(packed, 16, 8);
}

void line(std::ostringstream& text, const std::string& name, const std::string& builtAgainst,
          const std::string& inUse = {}) {
    text << "  " << name << " " << builtAgainst;
    if (!inUse.empty() && inUse != builtAgainst)
        text << " (in use: " << inUse << ")";
    text << "\n";
}

} // namespace

std::string versionReport() {
    std::ostringstream text;
    text << "velorin-sim " << VELORIN_VERSION << "\n";
    std::string library = sim::defaultExtensionLibrary();
    text << "extension library: libvelorin.so." << VELORIN_SOVERSION << " (Velorin "
         << VELORIN_VERSION << "), loaded from " << library << "\n";
    text << "libraries (built against, and in use where it differs):\n";
    line(text, "libpng", PNG_LIBPNG_VER_STRING, png_get_libpng_ver(nullptr));
    line(text, "zlib", ZLIB_VERSION, zlibVersion());
    line(text, "giflib",
         std::to_string(GIFLIB_MAJOR) + "." + std::to_string(GIFLIB_MINOR) + "." +
             std::to_string(GIFLIB_RELEASE));
    line(text, "libplist", VELORIN_PLIST_VERSION);
    line(text, "libwebp", VELORIN_WEBP_VERSION,
         packedVersion(static_cast<unsigned>(WebPGetEncoderVersion()), 16, 8));
    line(text, "libavformat", ffmpegVersion(LIBAVFORMAT_VERSION_INT),
         ffmpegVersion(avformat_version()));
    line(text, "libavcodec", ffmpegVersion(LIBAVCODEC_VERSION_INT),
         ffmpegVersion(avcodec_version()));
    line(text, "libavutil", ffmpegVersion(LIBAVUTIL_VERSION_INT), ffmpegVersion(avutil_version()));
    line(text, "libswscale", ffmpegVersion(LIBSWSCALE_VERSION_INT),
         ffmpegVersion(swscale_version()));
    line(text, "pixman", PIXMAN_VERSION_STRING, pixman_version_string());
    line(text, "rlottie", VELORIN_RLOTTIE_VERSION);
    std::string archiveInUse = archive_version_string();
    line(text, "libarchive", ARCHIVE_VERSION_ONLY_STRING,
         archiveInUse.substr(archiveInUse.find(' ') + 1));
    line(text, "cairo", CAIRO_VERSION_STRING, cairo_version_string());
    line(text, "pango", PANGO_VERSION_STRING, pango_version_string());
    SDL_version linked;
    SDL_GetVersion(&linked);
    line(text, "SDL2",
         std::to_string(SDL_MAJOR_VERSION) + "." + std::to_string(SDL_MINOR_VERSION) + "." +
             std::to_string(SDL_PATCHLEVEL),
         std::to_string(linked.major) + "." + std::to_string(linked.minor) + "." +
             std::to_string(linked.patch));
    line(text, "nlohmann-json",
         std::to_string(NLOHMANN_JSON_VERSION_MAJOR) + "." +
             std::to_string(NLOHMANN_JSON_VERSION_MINOR) + "." +
             std::to_string(NLOHMANN_JSON_VERSION_PATCH));
    line(text, "CLI11", CLI11_VERSION);
    return text.str();
}

} // namespace velorin::tools
